// The ring of short on-screen messages that fade out after ten seconds.
#pragma once

#include <cstdint>

constexpr int MAXMESSAGES = 10;
constexpr int MESSAGELEN = 100;

class MESSAGE_QUEUE {
public:
    MESSAGE_QUEUE();
    void Reset();
    void AddMessage(const char* text, uint32_t colour = 0xffffffff, int flags = 0);
    void Draw();
    void DrawMessage(const char* text, int x, int y, uint32_t age, uint32_t colour, int flags);

    // Read access for the drawing code and tests.
    int GetCount() const { return count; }
    int GetOldestIndex() const { return oldestIndex; }
    int GetWriteIndex() const { return writeIndex; }
    const char* GetText(int slot) const { return text[slot]; }
    uint32_t GetAge(int slot) const { return age[slot]; }
    // Alpha of a message of the given age: opaque until 9000 ms, then fading.
    static uint32_t AlphaForAge(uint32_t age);
    // Ages the messages by ms and drops those older than 10000 ms.
    void Age(uint32_t ms);

private:
    // The panel behind the messages; gives the line width limit and the
    // height of its first image less 6.
    static void DrawPanel(int* textWidth, int* panelHeight);

    char text[MAXMESSAGES][MESSAGELEN] = {};
    uint32_t age[MAXMESSAGES] = {};
    uint32_t colour[MAXMESSAGES] = {};
    int flags[MAXMESSAGES] = {};
    int writeIndex = 0;
    int oldestIndex = 0;
    int visibleMax = 3;
    int count = 0;
    int textWidth = 0;
    int panelHeight = 0;
};

extern MESSAGE_QUEUE messageQueue;
