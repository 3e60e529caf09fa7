#pragma once

#include <optional>
#include <string>
#include <utility>

namespace ticksmith::platform {

// The first check a dialog's form failed: the control to put the focus back on and the message
// the front end shows for it. A check returns nothing when the form passed.
template <typename Field>
struct FormProblem {
    Field field;
    std::string message;
};

template <typename Field>
[[nodiscard]] std::optional<FormProblem<Field>> Refuse(Field field, std::string message) {
    return FormProblem<Field>{field, std::move(message)};
}

}  // namespace ticksmith::platform
