#include "base/page_message.h"

#include "base/json.h"

namespace velotap {

PageMessage ParsePageMessage(std::string_view text) {
    PageMessage message{JsonLookup(text, "id"), JsonLookup(text, "method"),
                        JsonLookup(text, "params")};
    if (message.params.empty()) message.params = "[]";
    return message;
}

std::string SettleScript(std::string_view id, int status, std::string_view result) {
    return "window.__velotap&&window.__velotap.settle(" + JsonEscape(id) + "," +
           std::to_string(status) + "," + JsonEscape(result) + ");";
}

std::string UnknownFunctionResult(std::string_view method) {
    return JsonEscape("unknown function " + std::string(method));
}

}  // namespace velotap
