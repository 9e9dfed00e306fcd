#include "host/InstrumentLoader.h"

#include "host/ClapInstrument.h"
#include "host/HostedPlugin.h"
#if CALYX2_HOST_LV2
#include "host/Lv2Instrument.h"
#endif

namespace host {

namespace {
bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}
}  // namespace

std::unique_ptr<Instrument> loadInstrument(const std::string& path, std::string& error) {
    if (endsWith(path, ".clap")) return ClapInstrument::load(path, error);
#if CALYX2_HOST_LV2
    if (Lv2Instrument::looksLikeLv2(path)) return Lv2Instrument::load(path, error);
#endif
    return HostedPlugin::load(path, error);
}

}  // namespace host
