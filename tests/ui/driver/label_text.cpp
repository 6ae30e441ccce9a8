#include "label_text.h"

namespace vorl::test_driver {

std::string withoutMnemonics(std::string_view label) {
    std::string text;
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '_' && i + 1 < label.size())
            ++i;
        text += label[i];
    }
    return text;
}

} // namespace vorl::test_driver
