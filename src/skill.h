// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"
#include "search.h"

// Playing strength below the engine's best, for people and GUIs that ask for a level. A
// weakened search looks at several lines and picks among the good ones, now and then a
// weaker one, on the scores of a shallow depth; the engine's full strength is untouched.

// constants

constexpr int SKILL_LEVEL_MAX = 20;  // full strength
constexpr int SKILL_ELO_MIN = 1000;  // level 0, by the calibration in the README
constexpr int SKILL_ELO_MAX = 1850;  // the scale's top that Stockfish can be matched at
constexpr int SKILL_LINES = 4;       // candidate lines searched when weakened

// types

struct SkillSettings {
    bool limitStrength;   // UCI_LimitStrength: elo decides
    int elo;              // UCI_Elo
    int level;            // Skill Level, 0..20
    std::uint32_t seed;   // Skill Seed; 0 draws from the clock
};

extern SkillSettings skillSettings;

// functions

// The level the engine plays at, 0..20 and in between (20 = full strength): the weaker of
// the two settings. Elo maps onto the levels through a few measured points, SKILL_ELO_MIN at
// 0, linearly in between; skillLevelElo is the way back, and gives the levels above
// SKILL_ELO_MAX's their worth on the same scale.
double skillStrength(const SkillSettings* s);
bool skillActive(const SkillSettings* s);
int skillLevelElo(int level);

// Sets an option by its name (UCI and xboard names alike) from its text; false for an unknown
// name or a value that is not one. Numbers are clamped to the option's range.
bool setSkillOption(SkillSettings* s, const char* name, const char* value);
// The xboard "feature option=..." lines of these options.
void printSkillFeatures();
// The UCI "option name ..." lines.
void printSkillOptions();

// Before a search when skillActive: more lines, a share of the time, the candidates kept from
// the reports (which still go to limits->report, the user's own lines only).
void skillPrepare(const SkillSettings* s, SearchLimits* limits);
// After it: the move to play among the candidates, or *searched when there are none.
// Reproducible: the same seed, position and search give the same move.
Move skillChoose(const SkillSettings* s, Board* board, const Move* searched);
// The pick among candidates, scores best first; random stands for a generator's draws.
int skillPick(double strength, const int* scores, int count, std::uint64_t random);
