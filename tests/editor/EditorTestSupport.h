// Shared pieces of the editor tests: a parameter owner that behaves like the plug-in object
// (stores values, pushes them into the editor, records automation), a surface that records
// copies, and the panel bitmaps with chosen ones missing.
#pragma once

#include <array>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "editor/Calyx2Editor.h"
#include "editor/EditorBase.h"
#include "editor/ParameterHost.h"
#include "editor/Surface.h"
#include "editor/offscreen/OffscreenWindowSystem.h"
#include "engine/ParameterIndex.h"
#include "resources/EmbeddedBitmaps.h"

class FakePlugin : public ParameterHost {
  public:
    float getParameter(int index) override { return values.at(std::size_t(index)); }
    // As the plug-in: a changed value reaches the engine, then the editor, then the host.
    void setParameterAutomated(int index, float value) override {
        setParameter(index, value);
        automation.emplace_back(index, value);
    }
    void setParameter(int index, float value) {
        if (values.at(std::size_t(index)) == value) return;
        values[std::size_t(index)] = value;
        if (editor != nullptr) {
            editor->updateParameter(index, value);
            editor->redrawDirty();
        }
    }

    std::array<float, param::Count> values{};
    std::vector<std::pair<int, float>> automation;
    EditorBase* editor = nullptr;
};

struct BlitRecord {
    BitmapHandle bitmap;
    int sourceX, sourceY, width, height, destX, destY;
    RasterMode mode;
};

class RecordingSurface : public Surface {
  public:
    void copyBitmap(BitmapHandle bitmap, int sourceX, int sourceY, int width, int height, int destX,
                    int destY, RasterMode mode) override {
        blits.push_back({bitmap, sourceX, sourceY, width, height, destX, destY, mode});
    }
    void fillRect(int, int, int, int, std::uint32_t) override { ++fills; }

    std::vector<BlitRecord> blits;
    int fills = 0;
};

// The embedded panel bitmaps, leaving out the given resource ids.
inline BitmapSource panelBitmapsWithout(std::set<int> missing = {}) {
    return [missing](int id) {
        BitmapBytes bytes;
        if (missing.count(id) == 0) findEmbeddedBitmap(id, bytes.data, bytes.size);
        return bytes;
    };
}

// An opened panel on the offscreen window system, wired to a FakePlugin.
struct OpenPanel {
    explicit OpenPanel(std::set<int> missingBitmaps = {}) {
        auto owned = std::make_unique<OffscreenWindowSystem>(panelBitmapsWithout(std::move(missingBitmaps)));
        system = owned.get();
        editor = std::make_unique<Calyx2Editor>(&plugin, std::move(owned));
        plugin.editor = editor.get();
        editor->refreshAll();
        editor->open(&parent);
        system->sendPaint();
    }
    ~OpenPanel() { plugin.editor = nullptr; }

    int parent = 0;
    FakePlugin plugin;
    OffscreenWindowSystem* system = nullptr;
    std::unique_ptr<Calyx2Editor> editor;
};
