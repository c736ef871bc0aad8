#include "util/view_expansion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace nimbrel {

namespace {

struct Meaning {
    std::string_view name;        // as this process's environment names it
    std::string_view nameInView;  // the variable that holds the view's meaning of it
};

constexpr std::array<Meaning, 2> kThirtyTwoBitMeanings{{
    {"ProgramFiles", "ProgramFiles(x86)"},
    {"CommonProgramFiles", "CommonProgramFiles(x86)"},
}};
constexpr std::array<Meaning, 2> kSixtyFourBitMeanings{{
    {"ProgramFiles", "ProgramW6432"},
    {"CommonProgramFiles", "CommonProgramW6432"},
}};

// Variable names are compared as Windows compares them, without regard to case.
bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// "%NAME%", built by appending: GCC 12 warns falsely of an overlap in "%" + std::string(name).
std::string Reference(std::string_view name) {
    std::string reference(1, '%');
    reference.append(name);
    reference += '%';
    return reference;
}

bool IsDefined(const Environment& environment, std::string_view name) {
    const std::string reference = Reference(name);
    return environment.Expand(reference) != reference;
}

// `text` with each %NAME% that `meanings` names renamed to the view's variable, where defined.
template <std::size_t N>
std::string RenameForView(const Environment& environment, const std::string& text,
                          const std::array<Meaning, N>& meanings) {
    std::string renamed;
    std::size_t at = 0;
    // Percent signs pair from the left, as expansion pairs them.
    for (std::size_t open = text.find('%'); open != std::string::npos; open = text.find('%', at)) {
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string::npos) {
            break;
        }
        const std::string_view name(text.data() + open + 1, close - open - 1);
        const auto meaning = std::find_if(meanings.begin(), meanings.end(), [&](const Meaning& m) {
            return SameName(m.name, name) && IsDefined(environment, m.nameInView);
        });
        renamed.append(text, at, open - at);
        renamed += Reference(meaning == meanings.end() ? name : meaning->nameInView);
        at = close + 1;
    }
    renamed.append(text, at);
    return renamed;
}

}  // namespace

std::string ExpandForView(const Environment& environment, const std::string& text,
                          RegistryView view) {
    switch (view) {
        case RegistryView::ThirtyTwoBitFrom64Bit:
            return environment.Expand(RenameForView(environment, text, kThirtyTwoBitMeanings));
        case RegistryView::SixtyFourBitFrom32Bit:
            return environment.Expand(RenameForView(environment, text, kSixtyFourBitMeanings));
        case RegistryView::Own:
            break;
    }
    return environment.Expand(text);
}

}  // namespace nimbrel
