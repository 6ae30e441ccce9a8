#include "page_scripts.h"

namespace vorl {

std::string audioDecodingScript() {
    return "(() => {\n\"use strict\";\n" + std::string(pcmLayoutsScript) + "\n" +
           std::string(pcmDecodingScript) + "\n" + std::string(decodeAudioScript) + "\n})();\n";
}

} // namespace vorl
