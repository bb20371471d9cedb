#include "mesh/MeshVariableNames.h"

#include <set>

namespace tesselar {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsNameCharacter(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

std::string SafeName(const std::string& name) {
    std::string safe;
    for (const char c : name) {
        safe += IsNameCharacter(c) ? c : '_';
    }
    if (safe.empty() || !IsAsciiLetter(safe.front())) {
        safe.insert(0, "v_");
    }
    return safe;
}

}  // namespace

std::vector<std::string> MeshVariableNames(const std::vector<std::string>& attributeNames) {
    std::set<std::string> taken = {kMeshVariable,      kNodeXVariable, kNodeYVariable,
                                   kFaceNodesVariable, kTimeVariable,  kCrsVariable};
    std::vector<std::string> names;
    for (const std::string& attribute : attributeNames) {
        const std::string safe = SafeName(attribute);
        std::string name = safe;
        for (int suffix = 1; taken.contains(name); ++suffix) {
            name = safe + "_" + std::to_string(suffix);
        }
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

}  // namespace tesselar
