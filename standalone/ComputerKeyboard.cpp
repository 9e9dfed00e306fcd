#include "standalone/ComputerKeyboard.h"

#include <X11/keysym.h>

#include <array>
#include <utility>

namespace {
constexpr int kOctave = 12;
constexpr std::array<int, 6> kVelocities = {20, 40, 60, 80, 100, 127};
constexpr int kDefaultVelocityStep = 4;

// Two rows of a typewriter keyboard laid out as piano keys: the letters are the white keys, the row
// above them the black ones.
constexpr std::pair<unsigned long, int> kPianoKeys[] = {
    {XK_z, 0},  {XK_s, 1},  {XK_x, 2},  {XK_d, 3},  {XK_c, 4},  {XK_v, 5},  {XK_g, 6},
    {XK_b, 7},  {XK_h, 8},  {XK_n, 9},  {XK_j, 10}, {XK_m, 11}, {XK_comma, 12}, {XK_l, 13},
    {XK_period, 14}, {XK_semicolon, 15}, {XK_slash, 16},
    {XK_q, 12}, {XK_2, 13}, {XK_w, 14}, {XK_3, 15}, {XK_e, 16}, {XK_r, 17}, {XK_5, 18},
    {XK_t, 19}, {XK_6, 20}, {XK_y, 21}, {XK_7, 22}, {XK_u, 23}, {XK_i, 24}, {XK_9, 25},
    {XK_o, 26}, {XK_0, 27}, {XK_p, 28}, {XK_bracketleft, 29}, {XK_equal, 30}, {XK_bracketright, 31},
};
}  // namespace

ComputerKeyboard::ComputerKeyboard() : velocityStep(kDefaultVelocityStep) {}

int ComputerKeyboard::semitoneOf(unsigned long keysym) {
    for (const auto& [key, semitone] : kPianoKeys)
        if (key == keysym) return semitone;
    return -1;
}

bool ComputerKeyboard::press(unsigned long keysym, MidiMessage& noteOn) {
    const int semitone = semitoneOf(keysym);
    if (semitone < 0 || down.count(keysym) != 0) return false;
    const int note = base + semitone;
    down[keysym] = note;
    noteOn = {midi::noteOn, uint8_t(note), uint8_t(velocity())};
    return true;
}

bool ComputerKeyboard::release(unsigned long keysym, MidiMessage& noteOff) {
    auto found = down.find(keysym);
    if (found == down.end()) return false;
    noteOff = {midi::noteOff, uint8_t(found->second), 0};
    down.erase(found);
    return true;
}

std::vector<MidiMessage> ComputerKeyboard::releaseAll() {
    std::vector<MidiMessage> offs;
    for (const auto& [key, note] : down) offs.push_back({midi::noteOff, uint8_t(note), 0});
    down.clear();
    return offs;
}

void ComputerKeyboard::octaveUp() {
    if (base + kOctave <= highestBase) base += kOctave;
}

void ComputerKeyboard::octaveDown() {
    if (base - kOctave >= lowestBase) base -= kOctave;
}

void ComputerKeyboard::velocityUp() {
    if (velocityStep + 1 < int(kVelocities.size())) ++velocityStep;
}

void ComputerKeyboard::velocityDown() {
    if (velocityStep > 0) --velocityStep;
}

int ComputerKeyboard::velocity() const { return kVelocities[std::size_t(velocityStep)]; }

bool ComputerKeyboard::isDown(int note) const {
    for (const auto& [key, held] : down)
        if (held == note) return true;
    return false;
}
