// High-score table: 15 names and scores kept in "highscores.bin" and drawn
// on their own screen.
#pragma once

constexpr int HIGHSCORECOUNT = 15;
constexpr int HIGHSCORENAMELEN = 64;
constexpr int HIGHSCORERECORDSIZE = 68;

struct HIGHSCORE_RECORD {
    char name[HIGHSCORENAMELEN] = {};
    int score = 0;
};

class HIGHSCORES {
public:
    HIGHSCORES();
    // Reads "highscores.bin", creating it with the default table when it
    // does not exist. Answers 1 when the file was read.
    int Load();
    void Draw();

    const char* GetName(int i) const;
    int GetScore(int i) const;

private:
    void SetDefaults();

    HIGHSCORE_RECORD records[HIGHSCORECOUNT];
};

extern HIGHSCORES highscores;

// Start of a run of the layout: crash state cleared, the description text
// loaded, the free camera back on and the message queue emptied.
void ResetJourney(const char* layoutFileName);
