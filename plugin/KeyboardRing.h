// Notes played on the editor's keyboard: written by the UI thread, drained by
// the audio thread at the start of its next block. Single producer, single
// consumer, no locks.
#pragma once

#include <atomic>
#include <cstdint>

struct KeyboardEvent {
    uint8_t status; // 0x90 or 0x80
    uint8_t note;
    uint8_t velocity;
};

class KeyboardRing {
public:
    static constexpr uint32_t kCapacity = 128;

    // UI thread. When the ring is full a note-on is dropped; a note-off is
    // remembered in a per-key overflow set instead, so it is never lost.
    void push(uint8_t status, uint8_t note, uint8_t velocity)
    {
        note = note > 127 ? 127 : note;
        uint32_t head = written.load(std::memory_order_relaxed);
        if (head - read.load(std::memory_order_acquire) < kCapacity) {
            events[head % kCapacity] = {status, note, velocity};
            written.store(head + 1, std::memory_order_release);
        } else if ((status & 0xf0) == 0x80 || velocity == 0) {
            overflowOffs[note / 64].fetch_or(uint64_t(1) << (note % 64), std::memory_order_release);
        }
    }

    // Audio thread: hands every waiting event to `handle`, in order, then the
    // overflowed note-offs.
    template <typename Handler>
    void drain(Handler&& handle)
    {
        uint32_t tail = read.load(std::memory_order_relaxed);
        uint32_t head = written.load(std::memory_order_acquire);
        for (; tail != head; ++tail)
            handle(events[tail % kCapacity]);
        read.store(tail, std::memory_order_release);
        for (int word = 0; word < 2; ++word) {
            uint64_t offs = overflowOffs[word].exchange(0, std::memory_order_acquire);
            for (int bit = 0; offs; ++bit, offs >>= 1)
                if (offs & 1)
                    handle(KeyboardEvent{0x80, static_cast<uint8_t>(word * 64 + bit), 0});
        }
    }

private:
    KeyboardEvent events[kCapacity];
    std::atomic<uint32_t> written{0};
    std::atomic<uint32_t> read{0};
    std::atomic<uint64_t> overflowOffs[2] = {};
};
