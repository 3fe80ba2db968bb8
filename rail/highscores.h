// High-score table.
#pragma once

class HIGHSCORES {
public:
    HIGHSCORES();
    void Draw();
};

extern HIGHSCORES highscores;

void ResetJourney(const char* mode);
