#include "support/fake_page.h"

#include "base/json.h"

namespace velotap {

PageReply FakePage::Send(const std::string& name, const std::string& args) {
    const std::string id = std::to_string(++sent_);
    host.PostFromPage("{\"id\":" + JsonEscape(id) + ",\"method\":" + JsonEscape(name) +
                      ",\"params\":" + args + "}");
    return ReplyTo(id);
}

PageReply FakePage::ReplyTo(const std::string& id) {
    host.RunDispatched();
    // A reply script calls settle(ID,STATUS,RESULT): its arguments read as a JSON array.
    const std::string sample = ReplyScript("", ReplyStatus::Resolved, "");
    const std::string settle = sample.substr(0, sample.find('(') + 1);
    for (const std::string& script : host.evaluated) {
        if (!script.starts_with(settle)) continue;
        const std::string arguments =
            "[" + script.substr(settle.size(), script.rfind(')') - settle.size()) + "]";
        if (JsonArrayElement(arguments, 0) != id) continue;
        PageReply reply;
        reply.settled = true;
        reply.status = static_cast<ReplyStatus>(std::stoi(JsonArrayElement(arguments, 1)));
        reply.result = JsonArrayElement(arguments, 2);
        return reply;
    }
    return {};
}

}  // namespace velotap
