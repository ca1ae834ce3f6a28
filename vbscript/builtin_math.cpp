// The numeric built-ins: Abs, Int, Fix, Sgn, Sqr, Round, Rnd, Randomize and the
// functions of analysis (Atn, Cos, Sin, Tan, Exp, Log).
#include "vbscript/builtins.h"

#include "vbscript/builtin_args.h"

#include <chrono>
#include <cmath>
#include <random>

namespace ob::vbscript::builtin {

namespace {

// Keeps the numeric type of the argument for results that stay integral.
Variant SameType(const Variant& like, double value) {
    switch (like.Type()) {
    case VarType::Integer:
    case VarType::Boolean:
    case VarType::Empty:
        return Variant::Integer(static_cast<int>(value));
    case VarType::Byte:
        return Variant::Byte(static_cast<int>(value));
    case VarType::Long:
        return Variant::Long(static_cast<std::int32_t>(value));
    case VarType::Single:
        return Variant::Single(value);
    case VarType::Currency:
        return Variant::Currency(value);
    case VarType::Date:
        return Variant::Date(value);
    default:
        return Variant::Double(value);
    }
}

Variant Abs(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const double v = std::fabs(a[0].ToDouble());
    if (a[0].Type() == VarType::Integer && v > 32767) {
        return Variant::Long(32768);
    }
    if (a[0].Type() == VarType::Long && v > 2147483647.0) {
        return Variant::Double(v);
    }
    return SameType(a[0], v);
}
Variant Int(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return SameType(a[0], std::floor(a[0].ToDouble()));
}
Variant Fix(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return SameType(a[0], std::trunc(a[0].ToDouble()));
}
Variant Sgn(Interpreter&, Args& a) {
    const double v = a[0].ToDouble();
    return Variant::Integer(v < 0 ? -1 : v > 0 ? 1 : 0);
}
Variant Sqr(Interpreter&, Args& a) {
    const double v = a[0].ToDouble();
    if (v < 0) {
        throw InvalidCall();
    }
    return Variant::Double(std::sqrt(v));
}
Variant Round(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::int32_t digits = Given(a, 1) ? a[1].ToLong() : 0;
    if (digits < 0 || digits > 15) {
        throw InvalidCall();
    }
    const double scale = std::pow(10.0, digits);
    const double value = RoundHalfEven(a[0].ToDouble() * scale) / scale;
    return a[0].IsString() ? Variant::Double(value) : SameType(a[0], value);
}

std::mt19937& Random() {
    thread_local std::mt19937 engine{12345u};
    return engine;
}
thread_local double tLastRandom = 0;

Variant Rnd(Interpreter&, Args& a) {
    if (Given(a, 0) && a[0].ToDouble() == 0) {
        return Variant::Single(tLastRandom);
    }
    if (Given(a, 0) && a[0].ToDouble() < 0) {
        Random().seed(static_cast<std::uint32_t>(a[0].ToDouble() * -1000.0));
    }
    tLastRandom = std::uniform_real_distribution<float>(0.0f, 1.0f)(Random());
    return Variant::Single(tLastRandom);
}
Variant Randomize(Interpreter&, Args& a) {
    const auto seed = Given(a, 0)
                          ? static_cast<std::uint32_t>(a[0].ToDouble())
                          : static_cast<std::uint32_t>(
                                std::chrono::steady_clock::now().time_since_epoch().count());
    Random().seed(seed);
    return {};
}

template <double (*Fn)(double)> Variant Math(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const double r = Fn(a[0].ToDouble());
    if (!std::isfinite(r)) {
        throw ScriptException(err::kOverflow);
    }
    return Variant::Double(r);
}

double Log(double x) {
    if (x <= 0) {
        throw ScriptException(err::kInvalidCall);
    }
    return std::log(x);
}
double Atn(double x) {
    return std::atan(x);
}
double Cos(double x) {
    return std::cos(x);
}
double Sin(double x) {
    return std::sin(x);
}
double Tan(double x) {
    return std::tan(x);
}
double Exp(double x) {
    return std::exp(x);
}

} // namespace

std::span<const Builtin> MathFunctions() {
    static const Builtin kFunctions[] = {
        {"Abs", 1, 1, Abs},       {"Atn", 1, 1, Math<Atn>},
        {"Cos", 1, 1, Math<Cos>}, {"Exp", 1, 1, Math<Exp>},
        {"Fix", 1, 1, Fix},       {"Int", 1, 1, Int},
        {"Log", 1, 1, Math<Log>}, {"Randomize", 0, 1, Randomize},
        {"Rnd", 0, 1, Rnd},       {"Round", 1, 2, Round},
        {"Sgn", 1, 1, Sgn},       {"Sin", 1, 1, Math<Sin>},
        {"Sqr", 1, 1, Sqr},       {"Tan", 1, 1, Math<Tan>},
    };
    return kFunctions;
}

} // namespace ob::vbscript::builtin
