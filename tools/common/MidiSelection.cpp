#include "tools/common/MidiSelection.h"

#include <algorithm>
#include <sstream>

#include "tools/common/ParameterLookup.h"

namespace tools {

bool parseNumberList(const std::string& option, const std::string& text, int highest, std::vector<int>& numbers,
                     std::string& error) {
    error = option + " " + text + ": expected numbers from 1 to " + std::to_string(highest) +
            " separated by commas, or ranges such as 2-5";
    std::istringstream items(text);
    std::string item;
    bool any = false;
    while (std::getline(items, item, ',')) {
        size_t dash = item.find('-', 1);
        long long first, last;
        if (!parseInteger(item.substr(0, dash), first)) return false;
        last = first;
        if (dash != std::string::npos && !parseInteger(item.substr(dash + 1), last)) return false;
        if (first < 1 || last > highest || first > last) return false;
        for (long long n = first; n <= last; ++n) numbers.push_back(static_cast<int>(n));
        any = true;
    }
    if (!any || text.back() == ',') return false;
    error.clear();
    return true;
}

bool checkSelection(const MidiFile& file, const MidiSelection& selection, std::string& error) {
    for (int track : selection.tracks) {
        if (track > static_cast<int>(file.tracks.size())) {
            error = "--tracks " + std::to_string(track) + ": the file has " + std::to_string(file.tracks.size()) +
                    (file.tracks.size() == 1 ? " track" : " tracks");
            return false;
        }
    }
    return true;
}

void applySelection(MidiFile& file, const MidiSelection& selection) {
    for (size_t t = 0; t < file.tracks.size(); ++t) {
        bool trackPlays = selection.tracks.empty() ||
                          std::find(selection.tracks.begin(), selection.tracks.end(), static_cast<int>(t) + 1) !=
                              selection.tracks.end();
        auto muted = [&](const MidiEvent& event) {
            if (event.kind != MidiEvent::Kind::Channel) return false;
            return !trackPlays || !(selection.channels & (1u << (event.bytes[0] & 0x0F)));
        };
        auto& events = file.tracks[t];
        events.erase(std::remove_if(events.begin(), events.end(), muted), events.end());
    }
}

}  // namespace tools
