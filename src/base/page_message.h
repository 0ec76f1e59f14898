#pragma once
// The messages between the page and a window host: the page posts {"id","method","params"} for
// each call of a bound name, and the host answers by running a script that settles that call.
#include <string>
#include <string_view>

namespace velotap {

struct PageMessage {
    std::string id;
    std::string method;
    std::string params;  // the JSON argument array text; "[]" when the message has none
};

// Reads whatever the page posted; missing members read as empty.
PageMessage ParsePageMessage(std::string_view text);

// The script that settles call `id` with `status` (0 resolve, 1 reject) and `result`, a JSON text
// or empty for "no value". Valid script whatever bytes `id` and `result` hold.
std::string SettleScript(std::string_view id, int status, std::string_view result);

// What a call of a name that is not bound settles with (status 1).
std::string UnknownFunctionResult(std::string_view method);

}  // namespace velotap
