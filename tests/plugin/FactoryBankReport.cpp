// factory_bank_report: prints, for every factory program, the measures its sound tests judge, so a
// bank can be voiced by number as well as by ear.
//   factory_bank_report                    every program
//   factory_bank_report 15 3               programs 15 and 3
//   factory_bank_report 15 FEBm=0.1        program 15 with FEBm changed, to try an edit before making it
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BankMeasurements.h"
#include "plugin/FactoryBank.h"
#include "plugin/ParameterTable.h"

int main(int argc, char** argv) {
    std::vector<int> programs;
    bank::Overrides overrides;
    for (int i = 1; i < argc; ++i) {
        if (const char* equals = std::strchr(argv[i], '=')) {
            const int index =
                findParameterByName(std::string(argv[i], static_cast<size_t>(equals - argv[i])).c_str());
            if (index < 0) {
                std::fprintf(stderr, "factory_bank_report: no parameter named in %s\n", argv[i]);
                return 2;
            }
            overrides.emplace_back(index, std::strtof(equals + 1, nullptr));
        } else {
            programs.push_back(std::atoi(argv[i]));
        }
    }
    if (programs.empty())
        for (int p = 0; p < kProgramCount; ++p) programs.push_back(p);

    std::printf("%-3s %-25s %7s %6s %7s %4s %7s %7s %7s %7s %7s %6s\n", "#", "name", "C4 dB", "chord",
                "DC dB", "key", "alC6", "alC7", "wheel", "whLvl", "velDb", "velBr");
    for (int p : programs) {
        const bank::DcOffset dc = bank::worstDc(p, overrides);
        const bank::WheelResponse wheel = bank::wheelResponse(p, overrides);
        const bank::VelocityResponse velocity = bank::velocityResponse(p, overrides);
        std::printf("%-3d %-25s %7.1f %6.2f %7.1f %4d %7.1f %7.1f %7.1f %7.1f %7.1f %6.2f\n", p,
                    kFactoryPrograms[p].name, bank::c4LoudnessDb(p, overrides), bank::chordPeak(p, overrides),
                    dc.db, dc.key, bank::aliasDb(p, 84, overrides), bank::aliasDb(p, 96, overrides),
                    wheel.changeDb, wheel.levelDb, velocity.levelDb, velocity.brightness);
        std::fflush(stdout);
    }
    return 0;
}
