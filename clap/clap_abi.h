// The CLAP 1.x binary interface, as far as Calyx2 and its host library use it: the entry, the two
// factories, the plug-in and host records, processing and events, and the extensions we offer or ask
// for. Written from the documented ABI (plain C records, natural alignment, the C calling
// convention); the layouts that matter most are checked below for 64-bit code, the only kind CLAP
// ships for here. Names follow the published ones so the documentation reads straight onto them.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

struct clap_version_t {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};
// What we declare in our records; a host of any 1.x accepts it.
constexpr clap_version_t kClapVersion{1, 2, 2};
constexpr bool clapVersionIsCompatible(clap_version_t v) { return v.major >= 1; }

typedef uint32_t clap_id;
constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;
constexpr uint32_t CLAP_NAME_SIZE = 256;
constexpr uint32_t CLAP_PATH_SIZE = 1024;

// ---- entry and factories --------------------------------------------------------------------------

struct clap_plugin_entry_t {
    clap_version_t clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)();
    const void* (*get_factory)(const char* factory_id);
};

struct clap_host_t;
struct clap_plugin_t;

struct clap_plugin_descriptor_t {
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;  // null-terminated
};

constexpr const char* CLAP_PLUGIN_FACTORY_ID = "clap.plugin-factory";
struct clap_plugin_factory_t {
    uint32_t (*get_plugin_count)(const clap_plugin_factory_t* factory);
    const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const clap_plugin_factory_t* factory, uint32_t index);
    const clap_plugin_t* (*create_plugin)(const clap_plugin_factory_t* factory, const clap_host_t* host,
                                          const char* plugin_id);
};

// ---- plug-in and host -----------------------------------------------------------------------------

struct clap_process_t;

struct clap_plugin_t {
    const clap_plugin_descriptor_t* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin_t* plugin);
    void (*destroy)(const clap_plugin_t* plugin);
    bool (*activate)(const clap_plugin_t* plugin, double sample_rate, uint32_t min_frames_count,
                     uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin_t* plugin);
    bool (*start_processing)(const clap_plugin_t* plugin);
    void (*stop_processing)(const clap_plugin_t* plugin);
    void (*reset)(const clap_plugin_t* plugin);
    int32_t (*process)(const clap_plugin_t* plugin, const clap_process_t* process);
    const void* (*get_extension)(const clap_plugin_t* plugin, const char* id);
    void (*on_main_thread)(const clap_plugin_t* plugin);
};

struct clap_host_t {
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const clap_host_t* host, const char* extension_id);
    void (*request_restart)(const clap_host_t* host);
    void (*request_process)(const clap_host_t* host);
    void (*request_callback)(const clap_host_t* host);
};

// ---- events ---------------------------------------------------------------------------------------

struct clap_event_header_t {
    uint32_t size;  // of the whole event, header included
    uint32_t time;  // frame offset inside the block
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
};
constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
enum : uint32_t { CLAP_EVENT_IS_LIVE = 1u << 0, CLAP_EVENT_DONT_RECORD = 1u << 1 };

enum : uint16_t {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

// key, channel, port and note id: -1 is a wildcard.
struct clap_event_note_t {
    clap_event_header_t header;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double velocity;  // 0..1
};

struct clap_event_param_value_t {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

struct clap_event_param_gesture_t {
    clap_event_header_t header;
    clap_id param_id;
};

typedef int64_t clap_beattime;  // fixed point, 31 fractional bits
typedef int64_t clap_sectime;

enum : uint32_t {
    CLAP_TRANSPORT_HAS_TEMPO = 1u << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1u << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1u << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1u << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1u << 4,
};

struct clap_event_transport_t {
    clap_event_header_t header;
    uint32_t flags;
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo;  // beats per minute
    double tempo_inc;
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
};

struct clap_event_midi_t {
    clap_event_header_t header;
    uint16_t port_index;
    uint8_t data[3];
};

struct clap_input_events_t {
    void* ctx;
    uint32_t (*size)(const clap_input_events_t* list);
    const clap_event_header_t* (*get)(const clap_input_events_t* list, uint32_t index);
};

struct clap_output_events_t {
    void* ctx;
    bool (*try_push)(const clap_output_events_t* list, const clap_event_header_t* event);
};

// ---- processing -----------------------------------------------------------------------------------

struct clap_audio_buffer_t {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

enum : int32_t {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};

struct clap_process_t {
    int64_t steady_time;
    uint32_t frames_count;
    const clap_event_transport_t* transport;  // null for a free-running host
    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
};

// ---- streams --------------------------------------------------------------------------------------

struct clap_istream_t {
    void* ctx;
    int64_t (*read)(const clap_istream_t* stream, void* buffer, uint64_t size);  // 0 at the end, -1 on error
};

struct clap_ostream_t {
    void* ctx;
    int64_t (*write)(const clap_ostream_t* stream, const void* buffer, uint64_t size);  // bytes taken, -1 on error
};

// ---- extensions -----------------------------------------------------------------------------------

constexpr const char* CLAP_EXT_AUDIO_PORTS = "clap.audio-ports";
constexpr const char* CLAP_PORT_STEREO = "stereo";
enum : uint32_t { CLAP_AUDIO_PORT_IS_MAIN = 1u << 0 };
struct clap_audio_port_info_t {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};
struct clap_plugin_audio_ports_t {
    uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
};

constexpr const char* CLAP_EXT_NOTE_PORTS = "clap.note-ports";
enum : uint32_t {
    CLAP_NOTE_DIALECT_CLAP = 1u << 0,
    CLAP_NOTE_DIALECT_MIDI = 1u << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1u << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1u << 3,
};
struct clap_note_port_info_t {
    clap_id id;
    uint32_t supported_dialects;
    uint32_t preferred_dialect;
    char name[CLAP_NAME_SIZE];
};
struct clap_plugin_note_ports_t {
    uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_note_port_info_t* info);
};

constexpr const char* CLAP_EXT_PARAMS = "clap.params";
enum : uint32_t {
    CLAP_PARAM_IS_STEPPED = 1u << 0,
    CLAP_PARAM_IS_AUTOMATABLE = 1u << 5,
};
struct clap_param_info_t {
    clap_id id;
    uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};
struct clap_plugin_params_t {
    uint32_t (*count)(const clap_plugin_t* plugin);
    bool (*get_info)(const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* info);
    bool (*get_value)(const clap_plugin_t* plugin, clap_id param_id, double* value);
    bool (*value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value, char* buffer,
                          uint32_t capacity);
    bool (*text_to_value)(const clap_plugin_t* plugin, clap_id param_id, const char* text, double* value);
    void (*flush)(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out);
};
enum : uint32_t {
    CLAP_PARAM_RESCAN_VALUES = 1u << 0,
    CLAP_PARAM_RESCAN_TEXT = 1u << 1,
    CLAP_PARAM_RESCAN_INFO = 1u << 2,
    CLAP_PARAM_RESCAN_ALL = 1u << 3,
};
struct clap_host_params_t {
    void (*rescan)(const clap_host_t* host, uint32_t flags);
    void (*clear)(const clap_host_t* host, clap_id param_id, uint32_t flags);
    void (*request_flush)(const clap_host_t* host);
};

constexpr const char* CLAP_EXT_STATE = "clap.state";
struct clap_plugin_state_t {
    bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
    bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
};
struct clap_host_state_t {
    void (*mark_dirty)(const clap_host_t* host);
};

constexpr const char* CLAP_EXT_LATENCY = "clap.latency";
struct clap_plugin_latency_t {
    uint32_t (*get)(const clap_plugin_t* plugin);
};

constexpr const char* CLAP_EXT_GUI = "clap.gui";
constexpr const char* CLAP_WINDOW_API_X11 = "x11";
constexpr const char* CLAP_WINDOW_API_WIN32 = "win32";
struct clap_window_t {
    const char* api;
    union {
        void* cocoa;
        unsigned long x11;  // an X11 Window id
        void* win32;        // an HWND
        void* ptr;
    };
};
struct clap_gui_resize_hints_t {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};
struct clap_plugin_gui_t {
    bool (*is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin_t* plugin);
    bool (*set_scale)(const clap_plugin_t* plugin, double scale);
    bool (*get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool (*can_resize)(const clap_plugin_t* plugin);
    bool (*get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
    bool (*adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool (*set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);
    bool (*set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
    bool (*set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
    void (*suggest_title)(const clap_plugin_t* plugin, const char* title);
    bool (*show)(const clap_plugin_t* plugin);
    bool (*hide)(const clap_plugin_t* plugin);
};

constexpr const char* CLAP_EXT_TIMER_SUPPORT = "clap.timer-support";
struct clap_plugin_timer_support_t {
    void (*on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
};
struct clap_host_timer_support_t {
    bool (*register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host_t* host, clap_id timer_id);
};

constexpr const char* CLAP_EXT_THREAD_CHECK = "clap.thread-check";
struct clap_host_thread_check_t {
    bool (*is_main_thread)(const clap_host_t* host);
    bool (*is_audio_thread)(const clap_host_t* host);
};

// ---- presets --------------------------------------------------------------------------------------

enum : uint32_t {
    CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1,  // presets inside the plug-in; location is null
};
enum : uint32_t { CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1u << 0 };

constexpr const char* CLAP_EXT_PRESET_LOAD = "clap.preset-load";
constexpr const char* CLAP_EXT_PRESET_LOAD_COMPAT = "clap.preset-load.draft/2";
struct clap_plugin_preset_load_t {
    bool (*from_location)(const clap_plugin_t* plugin, uint32_t location_kind, const char* location,
                          const char* load_key);
};
struct clap_host_preset_load_t {
    void (*on_error)(const clap_host_t* host, uint32_t location_kind, const char* location, const char* load_key,
                     int32_t os_error, const char* message);
    void (*loaded)(const clap_host_t* host, uint32_t location_kind, const char* location, const char* load_key);
};

struct clap_universal_plugin_id_t {
    const char* abi;  // "clap"
    const char* id;
};

typedef uint64_t clap_timestamp;

struct clap_preset_discovery_metadata_receiver_t {
    void* receiver_data;
    void (*on_error)(const clap_preset_discovery_metadata_receiver_t* receiver, int32_t os_error,
                     const char* message);
    bool (*begin_preset)(const clap_preset_discovery_metadata_receiver_t* receiver, const char* name,
                         const char* load_key);
    void (*add_plugin_id)(const clap_preset_discovery_metadata_receiver_t* receiver,
                          const clap_universal_plugin_id_t* plugin_id);
    void (*set_soundpack_id)(const clap_preset_discovery_metadata_receiver_t* receiver, const char* soundpack_id);
    void (*set_flags)(const clap_preset_discovery_metadata_receiver_t* receiver, uint32_t flags);
    void (*add_creator)(const clap_preset_discovery_metadata_receiver_t* receiver, const char* creator);
    void (*set_description)(const clap_preset_discovery_metadata_receiver_t* receiver, const char* description);
    void (*set_timestamps)(const clap_preset_discovery_metadata_receiver_t* receiver, clap_timestamp creation,
                           clap_timestamp modification);
    void (*add_feature)(const clap_preset_discovery_metadata_receiver_t* receiver, const char* feature);
    void (*add_extra_info)(const clap_preset_discovery_metadata_receiver_t* receiver, const char* key,
                           const char* value);
};

struct clap_preset_discovery_filetype_t {
    const char* name;
    const char* description;
    const char* file_extension;
};

struct clap_preset_discovery_location_t {
    uint32_t flags;
    const char* name;
    uint32_t kind;
    const char* location;
};

struct clap_preset_discovery_soundpack_t {
    uint32_t flags;
    const char* id;
    const char* name;
    const char* description;
    const char* homepage_url;
    const char* vendor;
    const char* image_path;
    clap_timestamp release_timestamp;
};

struct clap_preset_discovery_provider_descriptor_t {
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
};

struct clap_preset_discovery_provider_t {
    const clap_preset_discovery_provider_descriptor_t* desc;
    void* provider_data;
    bool (*init)(const clap_preset_discovery_provider_t* provider);
    void (*destroy)(const clap_preset_discovery_provider_t* provider);
    bool (*get_metadata)(const clap_preset_discovery_provider_t* provider, uint32_t location_kind,
                         const char* location, const clap_preset_discovery_metadata_receiver_t* receiver);
    const void* (*get_extension)(const clap_preset_discovery_provider_t* provider, const char* extension_id);
};

struct clap_preset_discovery_indexer_t {
    clap_version_t clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool (*declare_filetype)(const clap_preset_discovery_indexer_t* indexer,
                             const clap_preset_discovery_filetype_t* filetype);
    bool (*declare_location)(const clap_preset_discovery_indexer_t* indexer,
                             const clap_preset_discovery_location_t* location);
    bool (*declare_soundpack)(const clap_preset_discovery_indexer_t* indexer,
                              const clap_preset_discovery_soundpack_t* soundpack);
    const void* (*get_extension)(const clap_preset_discovery_indexer_t* indexer, const char* extension_id);
};

constexpr const char* CLAP_PRESET_DISCOVERY_FACTORY_ID = "clap.preset-discovery-factory/2";
constexpr const char* CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT = "clap.preset-discovery-factory/draft-2";
struct clap_preset_discovery_factory_t {
    uint32_t (*count)(const clap_preset_discovery_factory_t* factory);
    const clap_preset_discovery_provider_descriptor_t* (*get_descriptor)(const clap_preset_discovery_factory_t* factory,
                                                                         uint32_t index);
    const clap_preset_discovery_provider_t* (*create)(const clap_preset_discovery_factory_t* factory,
                                                      const clap_preset_discovery_indexer_t* indexer,
                                                      const char* provider_id);
};

}  // extern "C"

// The published 64-bit layouts (calyx2.clap is built for 64-bit code only; the host library also
// compiles for 32-bit Windows, where pointer-sized fields narrow).
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(clap_plugin_entry_t) == 40, "entry layout");
static_assert(sizeof(clap_plugin_descriptor_t) == 88, "descriptor layout");
static_assert(sizeof(clap_plugin_t) == 96, "plugin layout");
static_assert(sizeof(clap_host_t) == 88, "host layout");
static_assert(sizeof(clap_event_header_t) == 16, "event header layout");
static_assert(sizeof(clap_event_note_t) == 40 && offsetof(clap_event_note_t, velocity) == 32, "note layout");
static_assert(offsetof(clap_event_param_value_t, cookie) == 24 && offsetof(clap_event_param_value_t, value) == 48,
              "param value layout");
static_assert(sizeof(clap_event_param_value_t) == 56, "param value layout");
static_assert(sizeof(clap_event_param_gesture_t) == 20, "gesture layout");
static_assert(offsetof(clap_event_transport_t, tempo) == 40 && offsetof(clap_event_transport_t, bar_number) == 96 &&
                  sizeof(clap_event_transport_t) == 104,
              "transport layout");
static_assert(offsetof(clap_event_midi_t, data) == 18 && sizeof(clap_event_midi_t) == 24, "midi layout");
static_assert(sizeof(clap_audio_buffer_t) == 32, "audio buffer layout");
static_assert(sizeof(clap_process_t) == 64, "process layout");
static_assert(offsetof(clap_param_info_t, name) == 16 && offsetof(clap_param_info_t, min_value) == 1296 &&
                  sizeof(clap_param_info_t) == 1320,
              "param info layout");
static_assert(offsetof(clap_audio_port_info_t, flags) == 260 && sizeof(clap_audio_port_info_t) == 288,
              "audio port layout");
static_assert(sizeof(clap_note_port_info_t) == 268, "note port layout");
static_assert(sizeof(clap_window_t) == 16, "window layout");
static_assert(sizeof(clap_preset_discovery_location_t) == 32, "location layout");
#endif
