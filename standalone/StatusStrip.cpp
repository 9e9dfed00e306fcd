#include "standalone/StatusStrip.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {
constexpr int kTextRowHeight = 20;
constexpr int kTextBaseline = strip::panelHeight + 15;
constexpr int kMargin = 5;
constexpr int kButtonWidth = 16;
constexpr int kProgramTextWidth = 200;
constexpr int kPianoTop = strip::panelHeight + kTextRowHeight + 2;
constexpr int kPianoHeight = strip::height - kTextRowHeight - 8;
constexpr int kRangeBarHeight = 3;
constexpr int kHintLeft = 405;
constexpr int kWhiteKeyWidth = 11;
constexpr int kBlackKeyWidth = 7;
constexpr int kBlackKeyHeight = kPianoHeight * 3 / 5;
constexpr int kOctave = 12;
constexpr int kWhiteKeysPerOctave = 7;

constexpr unsigned int kBackground = 0x303030;
constexpr unsigned int kText = 0xE0E0E0;
constexpr unsigned int kWhiteKey = 0xF4F4F4;
constexpr unsigned int kBlackKey = 0x101010;
constexpr unsigned int kSounding = 0xF08020;
constexpr unsigned int kRangeBar = 0x4090E0;
constexpr unsigned int kButton = 0x606060;

// Position of each pitch class among the white keys, or -1 for the black ones.
constexpr std::array<int, 12> kWhiteIndex = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};

bool isBlack(int note) { return kWhiteIndex[std::size_t(note % kOctave)] < 0; }

int whiteKeyLeft(int note) {
    const int octave = (note - strip::lowestNote) / kOctave;
    return kMargin + (octave * kWhiteKeysPerOctave + kWhiteIndex[std::size_t(note % kOctave)]) * kWhiteKeyWidth;
}

int blackKeyLeft(int note) { return whiteKeyLeft(note + 1) - kBlackKeyWidth / 2 - 1; }

const char* const kNoteNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
}  // namespace

namespace strip {
StripRect previousProgramButton() { return {kMargin, panelHeight + 2, kButtonWidth, kTextRowHeight - 4}; }
StripRect nextProgramButton() {
    return {kMargin + kButtonWidth + kProgramTextWidth, panelHeight + 2, kButtonWidth, kTextRowHeight - 4};
}
StripRect programText() { return {kMargin + kButtonWidth, panelHeight, kProgramTextWidth, kTextRowHeight}; }

StripRect keyRect(int note) {
    if (isBlack(note)) return {blackKeyLeft(note), kPianoTop, kBlackKeyWidth, kBlackKeyHeight};
    const int below = kPianoTop + kBlackKeyHeight;
    return {whiteKeyLeft(note) + 1, below, kWhiteKeyWidth - 2, kPianoHeight - kBlackKeyHeight - 1};
}
}  // namespace strip

StatusStrip::StatusStrip(Display* display, Window window)
    : display(display), window(window), gc(XCreateGC(display, window, 0, nullptr)) {}

StatusStrip::~StatusStrip() { XFreeGC(display, gc); }

// Allocated once per colour: a redraw makes no round trips to the server for them.
unsigned long StatusStrip::colour(unsigned int rgb) {
    auto known = pixels.find(rgb);
    if (known != pixels.end()) return known->second;
    XColor wanted{};
    wanted.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
    wanted.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
    wanted.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
    unsigned long pixel = wanted.pixel;
    if (XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &wanted) == 0)
        pixel = (rgb & 0x808080) != 0 ? WhitePixel(display, DefaultScreen(display))
                                       : BlackPixel(display, DefaultScreen(display));
    else
        pixel = wanted.pixel;
    pixels[rgb] = pixel;
    return pixel;
}

void StatusStrip::draw(const StripState& state, int keyboardRange) {
    XSetForeground(display, gc, colour(kBackground));
    XFillRectangle(display, window, gc, 0, strip::panelHeight, strip::panelWidth, strip::height);

    XSetForeground(display, gc, colour(kButton));
    for (const StripRect& button : {strip::previousProgramButton(), strip::nextProgramButton()})
        XFillRectangle(display, window, gc, button.x, button.y, unsigned(button.width), unsigned(button.height));
    XSetForeground(display, gc, colour(kText));
    const StripRect previous = strip::previousProgramButton();
    const StripRect next = strip::nextProgramButton();
    XDrawString(display, window, gc, previous.x + 5, kTextBaseline, "<", 1);
    XDrawString(display, window, gc, next.x + 5, kTextBaseline, ">", 1);

    char text[96];
    const int length = std::snprintf(text, sizeof text, "%02d %s", state.program, state.programName.c_str());
    XDrawString(display, window, gc, strip::programText().x + 4, kTextBaseline, text, length);
    const int octave = state.baseNote / kOctave - 1;
    const int statusLength = std::snprintf(text, sizeof text, "keys %s%d  velocity %d",
                                           kNoteNames[state.baseNote % kOctave], octave, state.velocity);
    XDrawString(display, window, gc, next.x + next.width + 12, kTextBaseline, text, statusLength);
    const int hintLength = std::snprintf(text, sizeof text, "arrows: octave, velocity");
    XDrawString(display, window, gc, kHintLeft, kTextBaseline, text, hintLength);
    drawPiano(state, keyboardRange);
    XFlush(display);
}

void StatusStrip::drawPiano(const StripState& state, int keyboardRange) {
    auto sounding = [&](int note) { return (state.held[std::size_t(note / 32)] >> (note % 32)) & 1u; };
    for (int note = strip::lowestNote; note <= strip::highestNote; ++note) {
        if (isBlack(note)) continue;
        XSetForeground(display, gc, colour(sounding(note) ? kSounding : kWhiteKey));
        XFillRectangle(display, window, gc, whiteKeyLeft(note), kPianoTop, kWhiteKeyWidth - 1, kPianoHeight);
    }
    for (int note = strip::lowestNote; note <= strip::highestNote; ++note) {
        if (!isBlack(note)) continue;
        XSetForeground(display, gc, colour(sounding(note) ? kSounding : kBlackKey));
        XFillRectangle(display, window, gc, blackKeyLeft(note), kPianoTop, kBlackKeyWidth, kBlackKeyHeight);
    }
    // Which notes the computer keyboard reaches.
    const int first = std::max(state.baseNote, strip::lowestNote);
    const int last = std::min(state.baseNote + keyboardRange, strip::highestNote);
    if (first > last) return;
    const int left = isBlack(first) ? blackKeyLeft(first) : whiteKeyLeft(first);
    const int right = isBlack(last) ? blackKeyLeft(last) + kBlackKeyWidth : whiteKeyLeft(last) + kWhiteKeyWidth - 1;
    XSetForeground(display, gc, colour(kRangeBar));
    XFillRectangle(display, window, gc, left, kPianoTop + kPianoHeight + 1, unsigned(right - left), kRangeBarHeight);
}
