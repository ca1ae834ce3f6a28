// The VBScript value: a variant of Empty, Null, Boolean, Integer, Long, Single,
// Double, Currency (held as a double rounded to four places), Date (an OLE date),
// String, Object / Nothing, Byte and arrays of variants, with the language's
// conversion, comparison and operator rules.
//
// Variants are value types. Arrays are shared between copies until one copy is
// changed (MutableArray() copies a shared array first), so assignment behaves as a
// copy, as the language requires. Conversions and operators throw ScriptException
// (Type mismatch, Overflow, Division by zero, Invalid use of Null ...). A variant
// belongs to one thread at a time.
#pragma once

#include "vbscript/script_exception.h"
#include "vbscript/vbscript_export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ob::vbscript {

/// VarType() codes.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Object = 9,
    Error = 10,
    Boolean = 11,
    Variant = 12,
    Byte = 17,
    Array = 8192,
};

class Object;
struct ArrayData;

class OB_VBSCRIPT_API Variant {
public:
    Variant() = default; ///< Empty
    ~Variant() = default;

    // Copies and moves of numbers, dates and Booleans touch only the scalar fields:
    // the text and the shared pointers are used (and kept empty) by strings,
    // objects and arrays alone.
    Variant(const Variant& other)
        : type_(other.type_), integer_(other.integer_), real_(other.real_) {
        if (other.HoldsReference()) {
            string_ = other.string_;
            object_ = other.object_;
            array_ = other.array_;
        }
    }
    Variant(Variant&& other) noexcept
        : type_(other.type_), integer_(other.integer_), real_(other.real_) {
        if (other.HoldsReference()) {
            string_ = std::move(other.string_);
            object_ = std::move(other.object_);
            array_ = std::move(other.array_);
        }
    }
    Variant& operator=(const Variant& other) {
        if (HoldsReference() || other.HoldsReference()) {
            Variant copy(other); // other may be part of what this holds
            return *this = std::move(copy);
        }
        type_ = other.type_;
        integer_ = other.integer_;
        real_ = other.real_;
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        if (HoldsReference() || other.HoldsReference()) {
            string_ = std::move(other.string_);
            object_ = std::move(other.object_);
            array_ = std::move(other.array_);
        }
        type_ = other.type_;
        integer_ = other.integer_;
        real_ = other.real_;
        return *this;
    }

    static Variant Null();
    static Variant Nothing();
    static Variant Boolean(bool value);
    static Variant Byte(int value);
    static Variant Integer(int value);
    static Variant Long(std::int32_t value);
    static Variant Single(double value);
    static Variant Double(double value);
    static Variant Currency(double value);
    static Variant Date(double oleDate);
    static Variant String(std::string value);
    static Variant FromObject(std::shared_ptr<Object> object);
    static Variant FromArray(std::shared_ptr<ArrayData> array);
    /// The smallest integer type holding the value (Integer, Long), else Double.
    static Variant Number(double value);

    VarType Type() const { return type_; }
    bool IsEmpty() const { return type_ == VarType::Empty; }
    bool IsNull() const { return type_ == VarType::Null; }
    bool IsArray() const { return type_ == VarType::Array; }
    bool IsObject() const { return type_ == VarType::Object; }
    bool IsNothing() const { return type_ == VarType::Object && !object_; }
    bool IsString() const { return type_ == VarType::String; }
    /// Integer or Long: the subtypes integer arithmetic keeps.
    bool IsIntegerOrLong() const { return type_ == VarType::Integer || type_ == VarType::Long; }
    /// Boolean, Byte, Integer, Long, Single, Double, Currency, Date or Empty.
    bool IsNumeric() const;

    /// The VarType() value (arrays: 8192 + 12).
    int VarTypeCode() const;
    /// The TypeName() text ("Integer", "String", "Variant()", "Nothing" ...).
    std::string TypeName() const;

    // Conversions in the manner of CBool, CInt, CLng, CDbl, CStr. Null raises
    // Invalid use of Null (94); text that is not a number raises Type mismatch.
    bool ToBool() const;
    int ToInteger() const;
    std::int32_t ToLong() const {
        if (type_ == VarType::Boolean || type_ == VarType::Byte || type_ == VarType::Integer ||
            type_ == VarType::Long) {
            return static_cast<std::int32_t>(integer_);
        }
        return RoundedLong();
    }
    double ToDouble() const;
    std::string ToString() const;
    /// The date (OLE) value: numbers as they are, text parsed as a date.
    double ToDate() const;
    /// The value itself, or for an object the value of its default member (followed
    /// through objects that give objects); Type mismatch for Nothing, Object
    /// doesn't support this property or method (438) without a default member.
    /// The conversions above use it, so an object converts as its default value.
    Variant DefaultValue() const;

    /// Raw access (valid for the matching type).
    const std::string& StringValue() const { return string_; }
    const std::shared_ptr<Object>& ObjectValue() const { return object_; }
    const std::shared_ptr<ArrayData>& ArrayValue() const { return array_; }
    /// Appends to a String variant in place (Out of memory past the longest text).
    void AppendText(std::string_view text);
    /// Becomes the result of integer arithmetic, in place: an Integer when `narrow`
    /// (both operands were Integers) and the value fits, else a Long, else a Double.
    void SetIntegral(std::int64_t value, bool narrow) {
        if (HoldsReference()) {
            *this = Variant(); // let go of the text, object or array first
        }
        if (narrow && value >= -32768 && value <= 32767) {
            type_ = VarType::Integer;
            integer_ = value;
        } else if (value >= INT32_MIN && value <= INT32_MAX) {
            type_ = VarType::Long;
            integer_ = value;
        } else {
            type_ = VarType::Double;
            integer_ = 0;
            real_ = static_cast<double>(value);
        }
    }
    /// The array, copied first when another variant shares it.
    ArrayData& MutableArray();

    /// Text -> number as VBScript converts it (blanks around, sign, decimals,
    /// exponent, &H / &O); false when the text is not a number.
    static bool ParseNumber(std::string_view text, double& out);
    /// Double -> text as VBScript writes it (15 significant digits, "1E+20").
    static std::string FormatDouble(double value);

private:
    /// ToLong of the subtypes that need converting and rounding.
    std::int32_t RoundedLong() const;

    bool HoldsReference() const {
        return type_ == VarType::String || type_ == VarType::Object || type_ == VarType::Array;
    }

    VarType type_ = VarType::Empty;
    std::int64_t integer_ = 0; // Boolean (0/-1), Byte, Integer, Long
    double real_ = 0.0;        // Single, Double, Currency, Date
    std::string string_;
    std::shared_ptr<Object> object_;
    std::shared_ptr<ArrayData> array_;
};

/// A variant array: any number of dimensions, lower bounds 0; the first subscript
/// varies fastest in `items` (so ReDim Preserve of the last dimension keeps the data).
struct OB_VBSCRIPT_API ArrayData {
    std::vector<std::int32_t> upper; ///< upper bound per dimension (-1: empty)
    std::vector<Variant> items;
    bool fixed = false; ///< declared with bounds (Dim a(3)): ReDim refuses it

    /// Most elements one array may hold; more raises Out of memory.
    static constexpr std::size_t kMaxItems = std::size_t(1) << 26;

    /// An array with these upper bounds (Out of memory when too large, Subscript
    /// out of range for a bound below -1).
    static std::shared_ptr<ArrayData> Make(const std::vector<std::int32_t>& upper);
    /// The element index of subscripts; raises Subscript out of range.
    std::size_t Offset(const std::vector<std::int32_t>& subscripts) const;
};

/// Most characters one string may hold; more raises Out of memory.
inline constexpr std::size_t kMaxStringLength = std::size_t(1) << 27;

/// Comparison modes of StrComp, InStr and Compare().
enum class CompareMode { Binary = 0, Text = 1 };

// Operators. Each applies the language's rules (Null propagation, Empty as 0 or "",
// Integer -> Long -> Double promotion on overflow, text converted to numbers).
OB_VBSCRIPT_API Variant Add(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Subtract(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Multiply(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Divide(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant IntDivide(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Modulo(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Power(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Negate(const Variant& a);
OB_VBSCRIPT_API Variant Concat(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Not(const Variant& a);
OB_VBSCRIPT_API Variant And(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Or(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Xor(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Eqv(const Variant& a, const Variant& b);
OB_VBSCRIPT_API Variant Imp(const Variant& a, const Variant& b);

/// -1, 0, 1, or 2 when either side is Null. A number and a text compare as "the
/// number is smaller", unless the side marked literal is a numeric constant and
/// the text is numeric, which then compares as numbers.
OB_VBSCRIPT_API int Compare(const Variant& a, const Variant& b,
                            CompareMode mode = CompareMode::Binary, bool aLiteral = false,
                            bool bLiteral = false);
/// Texts compared as StrComp does (-1, 0, 1).
OB_VBSCRIPT_API int CompareText(std::string_view a, std::string_view b, CompareMode mode);
/// Round half to even, as CInt and CLng round.
OB_VBSCRIPT_API double RoundHalfEven(double value);

} // namespace ob::vbscript
