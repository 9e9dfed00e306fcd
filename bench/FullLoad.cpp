#include "FullLoad.h"

void setFullLoadPatch(float* params) {
    for (int op = 0; op < 4; ++op) {
        float* s = params + param::operatorBase(op);
        s[param::LVL] = 0.6f;
        s[param::OCT] = 1.0f / 6.0f;
        s[param::FIN] = 0.52f;
        s[param::WAV] = 0.3f;
        s[param::FEB] = 0.4f;
        s[param::A] = 0.05f;
        s[param::D] = 0.5f;
        s[param::S] = 0.7f;
        s[param::R] = 1.0f;
        s[param::LFO] = 0.2f;
        s[param::VEL] = 0.5f;
        s[param::RTE] = 0.0f;
    }
    params[param::RTE4] = 0.0f;
    params[param::LVLm] = 0.5f;
    params[param::OCTm] = 1.0f / 6.0f;
    params[param::WAVm] = 0.2f;
    params[param::FEBm] = 0.3f;
    params[param::Am] = 0.05f;
    params[param::Dm] = 0.5f;
    params[param::Sm] = 0.8f;
    params[param::Rm] = 1.0f;  // four seconds: the released voice keeps sounding
    params[param::LFOm] = 0.1f;
    params[param::VELm] = 0.3f;
    params[param::LFO_SPD] = 0.6f;
    params[param::LFO_MOD] = 0.0f;
    params[param::LFO_PCH] = 0.2f;
    params[param::PBR] = 2.0f / 6.0f;
    params[param::AAA] = 1.0f;
    params[param::C_LVL] = 0.7f;
    params[param::C_SPD] = 0.3f;
    params[param::C_DPH] = 0.6f;
    params[param::D_LVL] = 0.5f;
    params[param::D_SPD] = 0.375f;
    params[param::D_FB] = 0.5f;
}

void startFullPolyphony(SynthEngine& engine) {
    for (int n = 0; n < 17; ++n) {
        engine.processMidi(0x90, static_cast<uint8_t>(40 + 2 * n), 100, 0);
        float scratch[16], out[16] = {};
        engine.render(scratch, out, 8);
    }
}

void keepFullPolyphony(SynthEngine& engine, long block) {
    if (block % kRenewalBlocks != kRenewalBlocks - 1) return;
    const long renewal = block / kRenewalBlocks;
    engine.processMidi(0x90, static_cast<uint8_t>(40 + 2 * (renewal % 17)), 100, 0);
}
