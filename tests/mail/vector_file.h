// Test support: the RFC test vectors of data/vectors.txt. Records are separated by
// blank lines; "[id]" opens one; "field: VALUE" lines hold a double-quoted byte
// string with C escapes (\\ \" \r \n \t \xHH) or "hex:" and lower-case hex digits.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace ob::test {

struct Vector {
    std::string id;
    std::map<std::string, std::string> fields; // decoded bytes

    const std::string& operator[](const std::string& name) const { return fields.at(name); }
    bool Has(const std::string& name) const { return fields.count(name) != 0; }
};

inline int HexDigit(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c - 'A' + 10;
}

inline std::string DecodeVectorValue(const std::string& value) {
    std::string out;
    if (value.rfind("hex:", 0) == 0) {
        for (std::size_t i = 4; i + 1 < value.size(); i += 2) {
            out += static_cast<char>(HexDigit(value[i]) * 16 + HexDigit(value[i + 1]));
        }
        return out;
    }
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        const char e = value[++i];
        if (e == 'x') {
            out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
            i += 2;
        } else {
            out += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
    }
    return out;
}

/// The records whose "kind" is `kind`.
inline std::vector<Vector> LoadVectors(const std::string& path, const std::string& kind) {
    std::ifstream in(path);
    std::vector<Vector> all;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            all.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        const auto colon = line.find(": ");
        if (colon == std::string::npos || all.empty() || line.rfind("source:", 0) == 0) {
            continue;
        }
        all.back().fields[line.substr(0, colon)] = DecodeVectorValue(line.substr(colon + 2));
    }
    std::vector<Vector> chosen;
    for (auto& v : all) {
        if (v.Has("kind") && v["kind"] == kind) {
            chosen.push_back(std::move(v));
        }
    }
    return chosen;
}

inline std::string VectorPath() {
    return std::string(OB_TEST_DATA_DIR) + "/vectors.txt";
}

} // namespace ob::test
