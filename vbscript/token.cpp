#include "vbscript/token.h"

#include "platform/text/ascii_case.h"

#include <unordered_map>

namespace ob::vbscript {

Keyword KeywordOf(std::string_view name) {
    using Map =
        std::unordered_map<std::string_view, Keyword, text::CaseBlindHash, text::CaseBlindEqual>;
    static const Map kWords = {
        {"and", Keyword::And},
        {"call", Keyword::Call},
        {"case", Keyword::Case},
        {"class", Keyword::Class},
        {"const", Keyword::Const},
        {"dim", Keyword::Dim},
        {"do", Keyword::Do},
        {"each", Keyword::Each},
        {"else", Keyword::Else},
        {"elseif", Keyword::ElseIf},
        {"empty", Keyword::Empty},
        {"end", Keyword::End},
        {"eqv", Keyword::Eqv},
        {"erase", Keyword::Erase},
        {"exit", Keyword::Exit},
        {"false", Keyword::False},
        {"for", Keyword::For},
        {"function", Keyword::Function},
        {"if", Keyword::If},
        {"imp", Keyword::Imp},
        {"in", Keyword::In},
        {"is", Keyword::Is},
        {"loop", Keyword::Loop},
        {"mod", Keyword::Mod},
        {"new", Keyword::New},
        {"next", Keyword::Next},
        {"not", Keyword::Not},
        {"nothing", Keyword::Nothing},
        {"null", Keyword::Null},
        {"on", Keyword::On},
        {"option", Keyword::Option},
        {"or", Keyword::Or},
        {"preserve", Keyword::Preserve},
        {"private", Keyword::Private},
        {"public", Keyword::Public},
        {"redim", Keyword::ReDim},
        {"select", Keyword::Select},
        {"set", Keyword::Set},
        {"sub", Keyword::Sub},
        {"then", Keyword::Then},
        {"to", Keyword::To},
        {"true", Keyword::True},
        {"until", Keyword::Until},
        {"wend", Keyword::Wend},
        {"while", Keyword::While},
        {"with", Keyword::With},
        {"xor", Keyword::Xor},
        {"byref", Keyword::ByRef},
        {"byval", Keyword::ByVal},
        {"default", Keyword::Default},
        {"error", Keyword::Error},
        {"explicit", Keyword::Explicit},
        {"get", Keyword::Get},
        {"goto", Keyword::GoTo},
        {"let", Keyword::Let},
        {"property", Keyword::Property},
        {"resume", Keyword::Resume},
        {"step", Keyword::Step},
    };
    const auto it = kWords.find(name);
    return it == kWords.end() ? Keyword::None : it->second;
}

} // namespace ob::vbscript
