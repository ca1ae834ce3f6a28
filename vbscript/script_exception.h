// The error a script operation raises: a VBScript error number and its
// description. Thrown inside the interpreter only; the script control catches it
// and turns it into its error object, so it never leaves an exported function.
#pragma once

#include "vbscript/vbscript_export.h"

#include <string>
#include <string_view>

namespace ob::vbscript {

/// Error numbers used by the interpreter.
namespace err {
inline constexpr long kInvalidCall = 5;
inline constexpr long kOverflow = 6;
inline constexpr long kOutOfMemory = 7;
inline constexpr long kSubscript = 9;
inline constexpr long kFixedArray = 10;
inline constexpr long kDivisionByZero = 11;
inline constexpr long kTypeMismatch = 13;
inline constexpr long kPermissionDenied = 70;
inline constexpr long kOutOfStack = 28;
inline constexpr long kObjectRequired = 424;
inline constexpr long kCannotCreate = 429;
inline constexpr long kNoSuchMember = 438;
inline constexpr long kWrongArguments = 450;
inline constexpr long kUndefined = 500;
inline constexpr long kIllegalAssignment = 501;
inline constexpr long kNameRedefined = 1041;
inline constexpr long kSyntax = 1002;
inline constexpr long kExpectedLParen = 1005;
inline constexpr long kExpectedRParen = 1006;
inline constexpr long kExpectedIdentifier = 1010;
inline constexpr long kExpectedEquals = 1011;
inline constexpr long kExpectedIf = 1012;
inline constexpr long kExpectedTo = 1013;
inline constexpr long kExpectedEnd = 1014;
inline constexpr long kExpectedFunction = 1015;
inline constexpr long kExpectedSub = 1016;
inline constexpr long kExpectedThen = 1017;
inline constexpr long kExpectedWend = 1018;
inline constexpr long kExpectedLoop = 1019;
inline constexpr long kExpectedNext = 1020;
inline constexpr long kExpectedCase = 1021;
inline constexpr long kExpectedSelect = 1022;
inline constexpr long kExpectedExpression = 1023;
inline constexpr long kExpectedStatement = 1024;
inline constexpr long kExpectedEndOfStatement = 1025;
inline constexpr long kUnterminatedString = 1033;
inline constexpr long kInvalidCharacter = 1032;
inline constexpr long kInvalidExit = 1039;
inline constexpr long kInvalidNumber = 1045;
} // namespace err

/// The standard description of an error number ("Type mismatch"); "Unknown runtime
/// error" for a number without one.
OB_VBSCRIPT_API std::string ErrorDescription(long number);

/// True for the numbers of compilation errors (1001..1999).
inline bool IsCompileError(long number) {
    return number > 1000 && number < 2000;
}

struct ScriptException {
    long number = 0;
    std::string description;
    std::string source; ///< set by Err.Raise; empty for the interpreter's own errors
    long line = 0;      ///< 0 until the statement that failed is known
    std::string text;   ///< the source text of that line

    explicit ScriptException(long n) : number(n), description(ErrorDescription(n)) {}
    ScriptException(long n, std::string text) : number(n), description(std::move(text)) {}
};

/// A run-time error with the standard description of its number.
inline ScriptException RuntimeError(long number, int line = 0) {
    ScriptException e(number);
    e.line = line;
    return e;
}

/// A run-time error naming what it is about: "Variable is undefined: 'x'".
inline ScriptException NamedError(long number, std::string_view name) {
    ScriptException e(number);
    e.description += ": '" + std::string(name) + "'";
    return e;
}

/// Thrown when a call runs past its time-out or its statement budget. It ends the
/// whole call: On Error Resume Next does not catch it (a script could otherwise go
/// on looping). The number is that of an aborted operation (0x80004004).
struct ScriptAbort {
    static constexpr long kNumber = -2147467260;
    std::string description;
    long line = 0;    ///< the statement it stopped at
    std::string text; ///< that line's source text
};

/// Thrown by a host object (WScript.Quit) to end the script with an exit code.
struct QuitRequest {
    int code = 0;
};

} // namespace ob::vbscript
