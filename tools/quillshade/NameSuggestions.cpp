#include "NameSuggestions.h"

#include <algorithm>
#include <cctype>

namespace {

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string> closestFirst(const std::string& wanted, std::vector<std::string> names) {
    std::stable_sort(names.begin(), names.end(),
                     [&wanted](const std::string& a, const std::string& b) {
                         return editDistance(wanted, a) < editDistance(wanted, b);
                     });
    return names;
}

std::string likelyMeant(const std::string& wanted, const std::vector<std::string>& names) {
    const std::vector<std::string> closest = closestFirst(wanted, names);
    if (closest.empty())
        return {};
    const std::size_t edits = editDistance(wanted, closest.front());
    return edits <= 2 && edits * 2 < wanted.size() ? closest.front() : std::string();
}
