#include "tools/bitmaps/PanelArt.h"

#include <cmath>
#include <string>

#include "editor/PanelLayout.h"
#include "tools/bitmaps/PixelFont.h"

namespace panel_art {
namespace {
constexpr double pi = 3.14159265358979323846;
constexpr int knobSize = 24;
constexpr int knobFrames = 64;
constexpr double knobCentre = 12.0;
constexpr double knobRadius = 11.0;
constexpr double scaleRadius = 14.0;

const Rgb backdrop{30, 33, 39};
const Rgb panelFill{50, 55, 64};
const Rgb panelBorder{78, 85, 98};
const Rgb labelText{204, 209, 217};
const Rgb dimText{140, 147, 158};
const Rgb scaleDot{112, 120, 134};
const Rgb scaleMark{226, 200, 140};
const Rgb recess{26, 28, 33};
const Rgb pointerColour{255, 196, 92};
const Rgb operatorAccent{110, 204, 190};
const Rgb mAccent{242, 182, 92};
const Rgb lfoAccent{184, 162, 236};
const Rgb chorusAccent{122, 190, 244};
const Rgb delayAccent{242, 142, 122};
const Rgb globalAccent{200, 205, 120};

// Knob angle in radians, clockwise from straight up, for a strip frame: 270 degrees from
// lower left (frame 0) to lower right (frame 63).
double frameAngle(double frame) {
    return (-135.0 + 270.0 * frame / (knobFrames - 1)) * pi / 180.0;
}

// The label under a control: the parameter name without its section mark ("LVL1", "Am",
// "LFO_SPD" and "C_LVL" become "LVL", "A", "SPD" and "LVL").
std::string columnLabel(const std::string& name) {
    std::size_t underscore = name.find('_');
    if (underscore != std::string::npos) return name.substr(underscore + 1);
    char last = name.back();
    if (name.size() > 1 && ((last >= '1' && last <= '4') || last == 'm'))
        return name.substr(0, name.size() - 1);
    return name;
}

struct Section {
    int left, top, width, height;
    const char* title;
    int titleLeft, titleTop;
    Rgb accent;
};

// clang-format off
const Section sections[] = {
    {3, 1, 429, 60, "OPERATOR 1", 20, 4, operatorAccent},
    {3, 65, 429, 60, "OPERATOR 2", 20, 68, operatorAccent},
    {3, 129, 429, 60, "OPERATOR 3", 20, 132, operatorAccent},
    {3, 193, 429, 60, "OPERATOR 4", 20, 196, operatorAccent},
    {3, 257, 342, 61, "OPERATOR m", 8, 261, mAccent},
    {348, 257, 84, 61, "GLOBAL", 0, 261, globalAccent},
    {436, 1, 121, 60, "LFO", 0, 4, lfoAccent},
    {436, 193, 121, 60, "CHORUS", 452, 197, chorusAccent},
    {436, 257, 121, 61, "DELAY", 452, 261, delayAccent},
};
// clang-format on

void drawKnobScale(Picture& picture, const ControlLayout& row) {
    double cx = row.left + knobCentre;
    double cy = row.top + knobCentre;
    picture.ring(cx, cy, knobRadius + 1.3, 1.6, recess);
    auto dot = [&](double frame, double radius, Rgb colour) {
        double angle = frameAngle(frame);
        picture.disc(cx + scaleRadius * std::sin(angle), cy - scaleRadius * std::cos(angle), radius, colour);
    };
    if (row.kind == ControlKind::StepKnob) {
        for (int i = 0; i <= row.stepCount; ++i) dot(std::trunc(63.0 * i / row.stepCount), 1.0, scaleMark);
        return;
    }
    for (int i = 0; i <= 10; ++i) dot(63.0 * i / 10.0, 0.8, scaleDot);
    dot(63.0 * row.detentValue, 1.1, scaleMark);  // where the knob snaps
}

void drawThreeWayLabels(Picture& picture, const ControlLayout& row) {
    bool lastOperator = row.top > 192;  // operator 4 has no next operator: its top position also goes to m
    const char* labels[] = {lastOperator ? "TO m" : "NEXT", "TO m", "OUT"};
    for (int position = 0; position < 3; ++position) {
        picture.text(row.left + 15, row.top + 3 + 9 * position, labels[position], dimText);
    }
}
}  // namespace

bool onKnob(int x, int y) {
    return std::hypot(x + 0.5 - knobCentre, y + 0.5 - knobCentre) <= knobRadius;
}

Picture background() {
    Picture picture(560, 320, backdrop);
    for (int y = 0; y < picture.height(); ++y) {
        Rgb shade = mix({38, 42, 49}, {24, 26, 31}, double(y) / picture.height());
        for (int x = 0; x < picture.width(); ++x) picture.set(x, y, shade);
    }
    for (const Section& section : sections) {
        picture.panel(section.left, section.top, section.width, section.height, 5, panelFill, panelBorder);
        int titleLeft = section.titleLeft != 0
                            ? section.titleLeft
                            : section.left + (section.width - pixel_font::textWidth(section.title)) / 2;
        picture.text(titleLeft, section.titleTop, section.title, section.accent);
    }

    // The logo fills the space between the LFO and the chorus.
    picture.panel(436, 66, 121, 122, 5, {42, 46, 54}, panelBorder);
    picture.centredText(497, 98, "CALYX2", pointerColour, 3);
    picture.centredText(497, 130, "PHASE", labelText);
    picture.centredText(497, 140, "MODULATION", labelText);
    picture.centredText(497, 150, "SYNTHESISER", labelText);
    picture.line(452, 170, 542, 170, 1.0, panelBorder);

    for (std::size_t i = 0; i < panelLayoutSize; ++i) {
        const ControlLayout& row = panelLayout[i];
        int centreX = row.left + controlWidth(row.kind) / 2;
        int below = row.top + controlHeight(row.kind);
        switch (row.kind) {
            case ControlKind::Knob:
            case ControlKind::StepKnob:
                drawKnobScale(picture, row);
                picture.centredText(centreX, below + 3, columnLabel(row.name), labelText);
                break;
            case ControlKind::ThreeWaySwitch:
                drawThreeWayLabels(picture, row);
                picture.centredText(centreX + 1, below + 3, columnLabel(row.name), labelText);
                break;
            case ControlKind::ToggleSwitch:
                picture.centredText(centreX + 1, below + 5, columnLabel(row.name), labelText);
                break;
            case ControlKind::Indicator:
                break;  // the lamp is the indicator's own picture
        }
    }
    return picture;
}

Picture knobStrip() {
    Picture strip(knobSize, knobSize * knobFrames);
    for (int frame = 0; frame < knobFrames; ++frame) {
        Picture cell(knobSize, knobSize);
        // Lit from the upper left: a brighter rim there, darker below.
        for (int y = 0; y < knobSize; ++y) {
            for (int x = 0; x < knobSize; ++x) {
                double dx = x + 0.5 - knobCentre;
                double dy = y + 0.5 - knobCentre;
                double light = (-dx - dy) / (2.0 * knobRadius);
                cell.set(x, y, mix({64, 69, 80}, {118, 126, 140}, 0.5 + 0.5 * light));
            }
        }
        cell.ring(knobCentre, knobCentre, knobRadius - 0.6, 1.2, {22, 24, 28});
        cell.disc(knobCentre, knobCentre, 7.4, {70, 76, 88});
        cell.ring(knobCentre, knobCentre, 7.4, 1.0, {96, 104, 118});
        double angle = frameAngle(frame);
        double sx = std::sin(angle);
        double cy = -std::cos(angle);
        cell.line(knobCentre + 2.5 * sx, knobCentre + 2.5 * cy, knobCentre + 9.0 * sx, knobCentre + 9.0 * cy,
                  2.2, pointerColour);
        for (int y = 0; y < knobSize; ++y) {
            for (int x = 0; x < knobSize; ++x) {
                if (!onKnob(x, y)) cell.set(x, y, {0, 0, 0});
            }
        }
        strip.paste(cell, 0, frame * knobSize);
    }
    return strip;
}

Picture knobMask() {
    Picture mask(knobSize, knobSize, {255, 255, 255});
    for (int y = 0; y < knobSize; ++y) {
        for (int x = 0; x < knobSize; ++x) {
            if (onKnob(x, y)) mask.set(x, y, {0, 0, 0});
        }
    }
    return mask;
}

Picture indicator() {
    Picture lamp(8, 16, panelFill);
    lamp.disc(4.0, 4.0, 3.6, {20, 22, 26});
    lamp.disc(4.0, 4.0, 2.8, {84, 34, 30});
    lamp.disc(4.0, 12.0, 3.6, {20, 22, 26});
    lamp.disc(4.0, 12.0, 2.8, {255, 92, 64});
    lamp.disc(3.2, 11.2, 1.0, {255, 200, 170});
    return lamp;
}

Picture toggleSwitch() {
    Picture toggle(25, 34, panelFill);
    for (int frame = 0; frame < 2; ++frame) {
        int top = frame * 17;
        bool on = frame == 1;
        toggle.panel(1, top + 3, 23, 11, 5, on ? Rgb{70, 60, 30} : Rgb{24, 26, 31}, {16, 17, 20});
        double thumbX = on ? 17.5 : 7.5;
        toggle.disc(thumbX, top + 8.5, 4.6, {16, 17, 20});
        toggle.disc(thumbX, top + 8.5, 3.8, on ? pointerColour : Rgb{150, 156, 168});
    }
    return toggle;
}

Picture threeWaySwitch() {
    Picture lever(11, 90, panelFill);
    for (int frame = 0; frame < 3; ++frame) {
        int top = frame * 30;
        lever.panel(3, top + 1, 5, 28, 2, {20, 22, 26}, {16, 17, 20});
        int thumbTop = top + 2 + 9 * frame;
        lever.panel(0, thumbTop, 11, 8, 2, {156, 162, 174}, {16, 17, 20});
        lever.fillRect(2, thumbTop + 3, 7, 2, pointerColour);
    }
    return lever;
}
}  // namespace panel_art
