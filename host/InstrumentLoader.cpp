#include "host/InstrumentLoader.h"

#include "host/HostedPlugin.h"
#if CALYX2_HOST_LV2
#include "host/Lv2Instrument.h"
#endif

namespace host {

std::unique_ptr<Instrument> loadInstrument(const std::string& path, std::string& error) {
#if CALYX2_HOST_LV2
    if (Lv2Instrument::looksLikeLv2(path)) return Lv2Instrument::load(path, error);
#endif
    return HostedPlugin::load(path, error);
}

}  // namespace host
