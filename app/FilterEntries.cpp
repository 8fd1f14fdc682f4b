#include "app/FilterEntries.h"

namespace obri {

std::vector<FilterEntry> filterEntries(std::string_view filter) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    while (from < filter.size()) {
        const std::size_t bar = filter.find('|', from);
        if (bar == std::string_view::npos) {
            pieces.emplace_back(filter.substr(from));
            break;
        }
        pieces.emplace_back(filter.substr(from, bar - from));
        from = bar + 1;
    }
    std::vector<FilterEntry> entries;
    for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) entries.push_back({pieces[i], pieces[i + 1]});
    return entries;
}

}  // namespace obri
