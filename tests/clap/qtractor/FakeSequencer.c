/* A stand-in for the ALSA sequencer on machines without /dev/snd/seq, preloaded into Qtractor so
 * that its engine starts: a client with no peers whose queue runs on the wall clock. Only the calls
 * that take a sequencer handle are replaced; the record helpers stay libasound's own. */
#include <alsa/asoundlib.h>
#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int wakeup[2] = {-1, -1};
static struct timespec started;
static int running;
static unsigned int tempoMicroseconds = 500000;
static int ticksPerQuarter = 96;

static double secondsSinceStart(void) {
    struct timespec now;
    if (!running) return 0.0;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - started.tv_sec) + (now.tv_nsec - started.tv_nsec) * 1e-9;
}

int snd_seq_open(snd_seq_t **handle, const char *name, int streams, int mode) {
    (void)name; (void)streams; (void)mode;
    if (wakeup[0] < 0 && pipe(wakeup) != 0) return -errno;
    *handle = (snd_seq_t *)malloc(64);
    return 0;
}
int snd_seq_close(snd_seq_t *seq) { free(seq); return 0; }
int snd_seq_client_id(snd_seq_t *seq) { (void)seq; return 128; }
int snd_seq_set_client_name(snd_seq_t *seq, const char *name) { (void)seq; (void)name; return 0; }
int snd_seq_alloc_queue(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_free_queue(snd_seq_t *seq, int q) { (void)seq; (void)q; return 0; }
int snd_seq_control_queue(snd_seq_t *seq, int q, int type, int value, snd_seq_event_t *ev) {
    (void)seq; (void)q; (void)value; (void)ev;
    if (type == SND_SEQ_EVENT_START) { clock_gettime(CLOCK_MONOTONIC, &started); running = 1; }
    if (type == SND_SEQ_EVENT_STOP) running = 0;
    return 0;
}
static int nextPort;
int snd_seq_create_simple_port(snd_seq_t *seq, const char *name, unsigned int caps, unsigned int type) {
    (void)seq; (void)name; (void)caps; (void)type; return nextPort++;
}
int snd_seq_delete_simple_port(snd_seq_t *seq, int port) { (void)seq; (void)port; return 0; }
int snd_seq_drain_output(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_drop_input(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_drop_output(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_event_input(snd_seq_t *seq, snd_seq_event_t **ev) { (void)seq; *ev = NULL; return -EAGAIN; }
int snd_seq_event_input_pending(snd_seq_t *seq, int fetch) { (void)seq; (void)fetch; return 0; }
int snd_seq_event_output(snd_seq_t *seq, snd_seq_event_t *ev) { (void)seq; (void)ev; return 0; }
int snd_seq_event_output_direct(snd_seq_t *seq, snd_seq_event_t *ev) { (void)seq; (void)ev; return 0; }
int snd_seq_get_any_client_info(snd_seq_t *seq, int client, snd_seq_client_info_t *info) {
    (void)seq; (void)client; (void)info; return -ENOENT;
}
int snd_seq_get_any_port_info(snd_seq_t *seq, int client, int port, snd_seq_port_info_t *info) {
    (void)seq; (void)client; (void)port; (void)info; return -ENOENT;
}
int snd_seq_get_port_info(snd_seq_t *seq, int port, snd_seq_port_info_t *info) {
    (void)seq; (void)port; (void)info; return 0;
}
int snd_seq_set_port_info(snd_seq_t *seq, int port, snd_seq_port_info_t *info) {
    (void)seq; (void)port; (void)info; return 0;
}
int snd_seq_query_next_client(snd_seq_t *seq, snd_seq_client_info_t *info) { (void)seq; (void)info; return -ENOENT; }
int snd_seq_query_next_port(snd_seq_t *seq, snd_seq_port_info_t *info) { (void)seq; (void)info; return -ENOENT; }
int snd_seq_query_port_subscribers(snd_seq_t *seq, snd_seq_query_subscribe_t *subs) {
    (void)seq; (void)subs; return -ENOENT;
}
int snd_seq_subscribe_port(snd_seq_t *seq, snd_seq_port_subscribe_t *sub) { (void)seq; (void)sub; return 0; }
int snd_seq_unsubscribe_port(snd_seq_t *seq, snd_seq_port_subscribe_t *sub) { (void)seq; (void)sub; return 0; }
int snd_seq_remove_events(snd_seq_t *seq, snd_seq_remove_events_t *rm) { (void)seq; (void)rm; return 0; }
int snd_seq_set_queue_timer(snd_seq_t *seq, int q, snd_seq_queue_timer_t *timer) {
    (void)seq; (void)q; (void)timer; return 0;
}
int snd_seq_set_queue_tempo(snd_seq_t *seq, int q, snd_seq_queue_tempo_t *tempo) {
    (void)seq; (void)q;
    tempoMicroseconds = snd_seq_queue_tempo_get_tempo(tempo);
    ticksPerQuarter = snd_seq_queue_tempo_get_ppq(tempo);
    return 0;
}
int snd_seq_get_queue_tempo(snd_seq_t *seq, int q, snd_seq_queue_tempo_t *tempo) {
    (void)seq; (void)q;
    snd_seq_queue_tempo_set_tempo(tempo, tempoMicroseconds);
    snd_seq_queue_tempo_set_ppq(tempo, ticksPerQuarter);
    return 0;
}
/* The status record's layout: queue, events, tick, real time, status. */
struct QueueStatus { int queue; int events; snd_seq_tick_time_t tick; snd_seq_real_time_t time; unsigned int status; };
int snd_seq_get_queue_status(snd_seq_t *seq, int q, snd_seq_queue_status_t *status) {
    (void)seq;
    struct QueueStatus *s = (struct QueueStatus *)status;
    double seconds = secondsSinceStart();
    memset(s, 0, sizeof *s);
    s->queue = q;
    s->tick = (snd_seq_tick_time_t)(seconds * 1e6 / tempoMicroseconds * ticksPerQuarter);
    s->time.tv_sec = (unsigned int)seconds;
    s->time.tv_nsec = (unsigned int)((seconds - (unsigned int)seconds) * 1e9);
    s->status = running;
    return 0;
}
int snd_seq_poll_descriptors_count(snd_seq_t *seq, short events) { (void)seq; (void)events; return 1; }
int snd_seq_poll_descriptors(snd_seq_t *seq, struct pollfd *pfds, unsigned int space, short events) {
    (void)seq;
    if (space < 1) return 0;
    pfds[0].fd = wakeup[0];
    pfds[0].events = events;
    pfds[0].revents = 0;
    return 1;
}
