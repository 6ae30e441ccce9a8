#include "product.h"

namespace vorl {

const Color BG{0.102, 0.047, 0.016, 1.0};
const std::string SPLASH =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>\n"
    "html,body{margin:0;height:100%;background:#1a0c04;color:#e9d3a8;font:15px -apple-system,sans-serif}\n"
    ".c{height:100%;display:flex;flex-direction:column;align-items:center;justify-content:center;gap:18px}\n"
    ".p{font:700 30px Georgia,serif;letter-spacing:12px;color:#3a2410;padding:10px 26px 8px "
    "38px;border-radius:9px;\n"
    "background:linear-gradient(135deg,#f3d58a,#c99a45 45%,#8a6326);box-shadow:0 6px 18px rgba(0,0,0,.6)}\n"
    ".s{font-style:italic;color:#c9a26a}.b{width:220px;height:4px;border-radius:2px;background:#2a170b;"
    "overflow:hidden}\n"
    ".b i{display:block;height:100%;width:40%;background:#f0b85a;animation:a 1.1s ease-in-out infinite "
    "alternate}\n"
    "@keyframes a{from{margin-left:0}to{margin-left:60%}}\n"
    "</style></head><body><div class=\"c\"><div class=\"p\">VORL</div><div class=\"s\" id=\"m\">Starter "
    "motoren \u2026</div><div class=\"b\"><i></i></div></div></body></html>";

Alert alert(const std::string& messageText, const std::string& informativeText, AlertStyle style) {
    Alert made;
    made.messageText = messageText;
    made.informativeText = informativeText;
    made.style = style;
    made.buttons = {okButton};
    return made;
}

} // namespace vorl
