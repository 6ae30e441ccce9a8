#include "alert.h"

namespace vorl {

Alert alert(const std::string& messageText, const std::string& informativeText, AlertStyle style) {
    Alert made;
    made.messageText = messageText;
    made.informativeText = informativeText;
    made.style = style;
    made.buttons = {okButton};
    return made;
}

} // namespace vorl
