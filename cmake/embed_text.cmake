# Writes OUTPUT, a C++ source that defines vorl::VARIABLE, a string view of the text of SOURCE.
file(READ ${SOURCE} text)
file(WRITE ${OUTPUT} "// Made at build time from ${SOURCE}.\n#include <string_view>\n\nnamespace vorl {\n\n"
    "extern const std::string_view ${VARIABLE};\nconst std::string_view ${VARIABLE} = R\"text(${text})text\";\n\n}\n")
