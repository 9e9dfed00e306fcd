// Any sequence of dispatcher calls (any opcode, index, value and opt, with pointers to buffers the
// host owns and, where an opcode writes through value or ptr, to the slots it writes), parameter
// changes with NaN, infinities, denormals and huge values, and blocks of audio in between.
// Checks beyond memory safety: chunk answers have one of the two sizes, the accumulating process
// entry leaves the outputs alone, and a suspended plug-in renders silence.
#include <cstring>
#include <vector>

#include "fuzz/FuzzHost.h"

namespace {
using namespace fuzzhost;

constexpr size_t kScratchBytes = 16384;  // beyond the bank chunk and every text field

VstInt32 pickOpcode(FuzzedDataProvider& input) {
    if (input.ConsumeIntegralInRange(0, 15) == 0) return input.ConsumeIntegral<VstInt32>();
    return input.ConsumeIntegralInRange(-2, 82);
}

VstIntPtr pickValue(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0:
            return input.ConsumeIntegral<VstIntPtr>();
        case 1:
            return input.ConsumeIntegral<VstInt32>();
        case 2:
            return input.ConsumeBool() ? 276 : 9600;
        default:
            return input.ConsumeIntegralInRange<VstIntPtr>(-2, 100);
    }
}

// Bytes a text answer may take: the published field length plus its terminator. A host may pass a
// buffer of exactly this size.
size_t textFieldFor(VstInt32 opcode) {
    switch (opcode) {
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName: return kVstMaxParamStrLen + 1;
        case effGetProgramName:
        case effGetProgramNameIndexed: return kVstMaxProgNameLen + 1;
        case effGetEffectName: return kVstMaxEffectNameLen + 1;
        case effGetVendorString: return kVstMaxVendorStrLen + 1;
        case effGetProductString: return kVstMaxProductStrLen + 1;
        default: return 0;
    }
}

VstInt32 pickIndex(FuzzedDataProvider& input) {
    if (input.ConsumeIntegralInRange(0, 7) == 0) return input.ConsumeIntegral<VstInt32>();
    return input.ConsumeIntegralInRange(-2, 72);
}

struct Session {
    AEffect* effect;
    bool resumed = false;
    std::vector<char> scratch = std::vector<char>(kScratchBytes);

    void fillScratch(FuzzedDataProvider& input) {
        const std::vector<char> bytes = input.ConsumeBytes<char>(input.ConsumeIntegralInRange<size_t>(0, 64));
        std::memset(scratch.data(), 0, scratch.size());
        if (!bytes.empty()) std::memcpy(scratch.data(), bytes.data(), bytes.size());
    }

    // One dispatcher call; false when it closed the instance.
    bool dispatchSomething(FuzzedDataProvider& input) {
        const VstInt32 opcode = pickOpcode(input);
        const VstInt32 index = pickIndex(input);
        VstIntPtr value = pickValue(input);
        const float opt = hostileFloat(input);
        const bool nullPointer = input.ConsumeIntegralInRange(0, 7) == 0;
        fillScratch(input);
        void* ptr = nullPointer ? nullptr : scratch.data();

        void* slots[2] = {scratch.data(), scratch.data()};
        switch (opcode) {
            case effClose:
                closePlugin(effect);
                return false;
            case effProcessEvents: {
                EventList events(input, 40, 1024);
                dispatch(effect, opcode, index, value, nullPointer ? nullptr : events.list(), opt);
                return true;
            }
            case effGetChunk: {
                const VstIntPtr size =
                    dispatch(effect, opcode, index, value, nullPointer ? nullptr : &slots[0], opt);
                if (nullPointer) return true;
                if (size != 276 && size != 9600) fail("getChunk answered a size that is neither chunk");
                std::vector<char> copy(static_cast<const char*>(slots[0]),
                                       static_cast<const char*>(slots[0]) + size);
                return true;
            }
            case effSetChunk:
                // The size the host declares never exceeds the buffer it owns, or is plainly absurd.
                if (value > static_cast<VstIntPtr>(kScratchBytes))
                    value = input.ConsumeBool() ? 9600 : -value;
                dispatch(effect, opcode, index, value, ptr, opt);
                return true;
            case effEditGetRect: {
                if (dispatch(effect, opcode, index, value, nullPointer ? nullptr : &slots[0], opt) == 1) {
                    ERect rect;
                    if (!slots[0]) fail("effEditGetRect answered 1 without a rectangle");
                    std::memcpy(&rect, slots[0], sizeof rect);
                }
                return true;
            }
            case effGetSpeakerArrangement:
            case effSetSpeakerArrangement:
                value = nullPointer ? 0 : reinterpret_cast<VstIntPtr>(&slots[0]);
                dispatch(effect, opcode, index, value, nullPointer ? nullptr : &slots[1], opt);
                return true;
            case effGetParamLabel:
            case effGetParamDisplay:
            case effGetParamName:
            case effGetProgramName:
            case effGetProgramNameIndexed:
            case effGetEffectName:
            case effGetVendorString:
            case effGetProductString: {
                constexpr char untouched = static_cast<char>(0xA5);
                std::memset(scratch.data(), untouched, scratch.size());
                dispatch(effect, opcode, index, value, ptr, opt);
                const size_t field = textFieldFor(opcode);
                for (size_t i = field; i < field + 64; ++i)
                    if (scratch[i] != untouched) fail("a text answer ran past its published field length");
                return true;
            }
            case effMainsChanged:
                dispatch(effect, opcode, index, value, ptr, opt);
                resumed = value != 0;
                return true;
            default:
                dispatch(effect, opcode, index, value, ptr, opt);
                return true;
        }
    }

    void processSomething(FuzzedDataProvider& input) {
        int frames = input.ConsumeIntegralInRange(0, 1100);
        if (input.ConsumeIntegralInRange(0, 15) == 0) frames = input.ConsumeIntegralInRange(-5, kMaxFrames);
        switch (input.ConsumeIntegralInRange(0, 3)) {
            case 0: {  // the accumulating entry does nothing to what the host put there
                std::vector<float> left(static_cast<size_t>(frames > 0 ? frames : 0), 0.25f);
                std::vector<float> right = left;
                float* outputs[2] = {left.data(), right.data()};
                effect->process(effect, nullptr, outputs, frames);
                for (size_t i = 0; i < left.size(); ++i)
                    if (left[i] != 0.25f || right[i] != 0.25f) fail("the accumulating entry wrote an output");
                break;
            }
            case 1: {
                std::vector<double> left(static_cast<size_t>(frames > 0 ? frames : 0), 0.5);
                std::vector<double> right = left;
                double* outputs[2] = {left.data(), right.data()};
                effect->processDoubleReplacing(effect, nullptr, outputs, frames);
                break;
            }
            default: {
                const std::vector<float> out = processBlock(effect, frames);
                if (!resumed)
                    for (float sample : out)
                        if (sample != 0.0f) fail("a suspended plug-in rendered sound");
                break;
            }
        }
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Session session{openPlugin(input.ConsumeIntegralInRange(0, 3) == 0)};
    if (input.ConsumeBool()) {  // a host that gets the start-up right, to reach the deeper states quickly
        dispatch(session.effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(session.effect, effSetBlockSize, 0, 1024);
        dispatch(session.effect, effMainsChanged, 0, 1);
        session.resumed = true;
    }
    int steps = 0;
    while (input.remaining_bytes() > 0 && steps++ < 200) {
        switch (input.ConsumeIntegralInRange(0, 5)) {
            case 0:
            case 1:
                if (!session.dispatchSomething(input)) return 0;
                break;
            case 2:
                session.effect->setParameter(session.effect, pickIndex(input), hostileFloat(input));
                break;
            case 3:
                session.effect->getParameter(session.effect, input.ConsumeIntegral<VstInt32>());
                break;
            case 4:
                setHostTempo(input.ConsumeBool(), hostileTempo(input));
                break;
            default:
                session.processSomething(input);
                break;
        }
    }
    closePlugin(session.effect);
    return 0;
}
