#include "host/InstrumentLoader.h"

#include "host/HostedPlugin.h"

namespace host {

std::unique_ptr<Instrument> loadInstrument(const std::string& path, std::string& error) {
    return HostedPlugin::load(path, error);
}

}  // namespace host
