#include "MidiFileReader.h"

#include <glib.h>
#include <smf.h>

#include <fstream>
#include <memory>
#include <stdexcept>

namespace {

constexpr double kMicrosecondsPerMinute = 60e6;

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};

// libsmf explains its failures through GLib's log; while a file loads, those
// messages are collected here so the error can say what was wrong.
class SmfMessages {
public:
    SmfMessages() { previous = g_log_set_default_handler(&SmfMessages::collect, this); }
    ~SmfMessages() { g_log_set_default_handler(previous, nullptr); }
    SmfMessages(const SmfMessages&) = delete;
    SmfMessages& operator=(const SmfMessages&) = delete;

    const std::string& text() const { return messages; }

private:
    static void collect(const gchar* /*domain*/, GLogLevelFlags /*level*/, const gchar* message, gpointer self)
    {
        std::string& all = static_cast<SmfMessages*>(self)->messages;
        all += all.empty() ? "" : "; ";
        all += message ? message : "";
    }

    GLogFunc previous;
    std::string messages;
};

} // namespace

Score MidiFileReader::read(const std::string& path)
{
    // libsmf reports a missing file only through its log, so that case gets
    // a plain message of its own.
    if (!std::ifstream(path))
        throw std::runtime_error("cannot read MIDI file '" + path + "'");
    std::unique_ptr<smf_t, SmfDeleter> smf;
    {
        SmfMessages messages;
        smf.reset(smf_load(path.c_str()));
        if (!smf)
            throw std::runtime_error("'" + path + "' is not a readable Standard MIDI File" +
                                     (messages.text().empty() ? "" : ": " + messages.text()));
    }

    Score score;
    for (int i = 0;; ++i) {
        const smf_tempo_t* tempo = smf_get_tempo_by_number(smf.get(), i);
        if (!tempo)
            break;
        if (tempo->microseconds_per_quarter_note > 0)
            score.tempos.push_back({tempo->time_seconds, kMicrosecondsPerMinute / tempo->microseconds_per_quarter_note});
    }
    smf_rewind(smf.get());
    while (const smf_event_t* event = smf_get_next_event(smf.get())) {
        // Meta events, system exclusive and system messages mean nothing to
        // an instrument plug-in here.
        if (smf_event_is_metadata(event) || smf_event_is_sysex(event) || event->midi_buffer_length < 2 ||
            event->midi_buffer[0] < 0x80 || event->midi_buffer[0] >= 0xF0)
            continue;
        ScoreEvent played;
        played.seconds = event->time_seconds;
        played.status = event->midi_buffer[0];
        played.data1 = event->midi_buffer[1] & 0x7F;
        played.data2 = event->midi_buffer_length > 2 ? event->midi_buffer[2] & 0x7F : 0;
        score.events.push_back(played);
    }
    score.lengthSeconds = smf_get_length_seconds(smf.get());
    return score;
}
