#include "vbscript/script_exception.h"

#include <utility>

namespace ob::vbscript {

std::string ErrorDescription(long number) {
    static const std::pair<long, const char*> kTexts[] = {
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {7, "Out of memory"},
        {9, "Subscript out of range"},
        {10, "This array is fixed or temporarily locked"},
        {11, "Division by zero"},
        {13, "Type mismatch"},
        {28, "Out of stack space"},
        {35, "Sub or Function not defined"},
        {51, "Internal error"},
        {52, "Bad file name or number"},
        {53, "File not found"},
        {54, "Bad file mode"},
        {57, "Device I/O error"},
        {58, "File already exists"},
        {61, "Disk full"},
        {62, "Input past end of file"},
        {67, "Too many files"},
        {68, "Device unavailable"},
        {70, "Permission denied"},
        {75, "Path/File access error"},
        {76, "Path not found"},
        {91, "Object variable not set"},
        {92, "For loop not initialized"},
        {94, "Invalid use of Null"},
        {424, "Object required"},
        {429, "ActiveX component can't create object"},
        {438, "Object doesn't support this property or method"},
        {450, "Wrong number of arguments or invalid property assignment"},
        {451, "Object not a collection"},
        {457, "This key is already associated with an element of this collection"},
        {500, "Variable is undefined"},
        {501, "Illegal assignment"},
        {502, "Object not safe for scripting"},
        {32811, "Element not found"},
        {5017, "Syntax error in regular expression"},
        {5018, "Unexpected quantifier"},
        {5019, "Expected ']' in regular expression"},
        {5020, "Expected ')' in regular expression"},
        {5021, "Invalid range in character set"},
        {5022, "Regular expression too complex"},
        {1001, "Out of memory"},
        {1002, "Syntax error"},
        {1005, "Expected '('"},
        {1006, "Expected ')'"},
        {1010, "Expected identifier"},
        {1011, "Expected '='"},
        {1012, "Expected 'If'"},
        {1013, "Expected 'To'"},
        {1014, "Expected 'End'"},
        {1015, "Expected 'Function'"},
        {1016, "Expected 'Sub'"},
        {1017, "Expected 'Then'"},
        {1018, "Expected 'Wend'"},
        {1019, "Expected 'Loop'"},
        {1020, "Expected 'Next'"},
        {1021, "Expected 'Case'"},
        {1022, "Expected 'Select'"},
        {1023, "Expected expression"},
        {1024, "Expected statement"},
        {1025, "Expected end of statement"},
        {1026, "Expected integer constant"},
        {1032, "Invalid character"},
        {1033, "Unterminated string constant"},
        {1037, "Invalid use of 'Me' keyword"},
        {1039, "Invalid 'exit' statement"},
        {1041, "Name redefined"},
        {1045, "Expected literal constant"},
        {1048, "Must be defined inside a Class"},
        {1053, "Class initialize or terminate do not have arguments"},
    };
    for (const auto& [n, text] : kTexts) {
        if (n == number) {
            return text;
        }
    }
    return "Unknown runtime error";
}

} // namespace ob::vbscript
