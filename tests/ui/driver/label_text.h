#pragma once

#include <string>
#include <string_view>

namespace vorl::test_driver {

// The text a user sees for a mnemonic label: "_Lagre" → "Lagre", "a__b" → "a_b".
std::string withoutMnemonics(std::string_view label);

} // namespace vorl::test_driver
