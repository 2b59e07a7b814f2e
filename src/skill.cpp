// SPDX-License-Identifier: GPL-3.0-or-later
#include "skill.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "movegen.h"
#include "utils.h"

SkillSettings skillSettings = {false, SKILL_ELO_MAX, SKILL_LEVEL_MAX, 0};

namespace {

constexpr std::uint32_t SEED_MAX = 1000000000;
constexpr int PICK_DELTA_CAP = 100;  // the random term spans at most a pawn

// Stockfish's UCI_Elo scale against the levels, measured at 10 s + 0.1 s (README). Stockfish
// above 1850 searches a ply deeper and outplays the full engine; the full engine's 2000 is its
// score against Stockfish's 1850.
struct ScalePoint {
    double elo;
    double level;
};
constexpr ScalePoint SKILL_SCALE[] = {
    {SKILL_ELO_MIN, 0.0}, {1350, 4.3}, {1700, 12.0}, {SKILL_ELO_MAX, 14.9}, {2000, double(SKILL_LEVEL_MAX)}};
constexpr int SCALE_POINTS = int(std::size(SKILL_SCALE));

// Linear between the scale's points, read from one of their measures to the other.
double alongScale(double x, double ScalePoint::*from, double ScalePoint::*to)
{
    int i = 1;
    while (i < SCALE_POINTS - 1 && x > SKILL_SCALE[i].*from) ++i;
    const ScalePoint& a = SKILL_SCALE[i - 1];
    const ScalePoint& b = SKILL_SCALE[i];
    return a.*to + (b.*to - a.*to) * (x - a.*from) / (b.*from - a.*from);
}

// The candidates of the depth the choice is made at, best first.
struct Candidates {
    int pickDepth;
    int depth;  // of the lines held; 0 for none
    int count;
    int userLines;  // lines the user asked to see
    IterationReporter userReport;
    Move moves[SKILL_LINES];
    int scores[SKILL_LINES];
};
Candidates candidates;

std::uint64_t mix(std::uint64_t x)  // splitmix64's finaliser
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// The reports of a weakened search: the user sees the lines asked for; the candidates keep
// every finished line up to the depth of the choice.
void keepLine(const IterationInfo* info)
{
    Candidates* c = &candidates;
    const int rank = info->multiPv > 0 ? info->multiPv : 1;
    const bool exact = info->score > info->alpha && info->score < info->beta;
    if (exact && info->line->length > 0 && rank <= SKILL_LINES
        && info->depth <= c->pickDepth && info->depth >= c->depth) {
        if (info->depth > c->depth || rank == 1) c->count = 0;
        c->depth = info->depth;
        if (rank == c->count + 1) {
            c->moves[c->count] = info->line->moves[0];
            c->scores[c->count] = info->score;
            ++c->count;
        }
    }
    if (!c->userReport || rank > c->userLines) return;
    IterationInfo shown = *info;
    if (c->userLines <= 1) shown.multiPv = 0;
    c->userReport(&shown);
}

}  // namespace

double skillStrength(const SkillSettings* s)
{
    double strength = std::clamp(s->level, 0, SKILL_LEVEL_MAX);
    if (s->limitStrength) {
        const int elo = std::clamp(s->elo, SKILL_ELO_MIN, SKILL_ELO_MAX);
        strength = std::min(strength, alongScale(elo, &ScalePoint::elo, &ScalePoint::level));
    }
    return strength;
}

bool skillActive(const SkillSettings* s) { return skillStrength(s) < SKILL_LEVEL_MAX; }

int skillLevelElo(int level)
{
    const double l = std::clamp(level, 0, SKILL_LEVEL_MAX);
    return int(std::lround(alongScale(l, &ScalePoint::level, &ScalePoint::elo)));
}

bool setSkillOption(SkillSettings* s, const char* name, const char* text)
{
    char value[32];  // the value without the blanks and line end around it
    while (*text == ' ' || *text == '\t') ++text;
    std::size_t length = std::strcspn(text, "\r\n");
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
    if (length >= sizeof value) return false;
    std::snprintf(value, sizeof value, "%.*s", int(length), text);
    std::int64_t n = 0;
    if (sameText(name, "UCI_LimitStrength")) {
        if (sameText(value, "true") || !std::strcmp(value, "1")) s->limitStrength = true;
        else if (sameText(value, "false") || !std::strcmp(value, "0")) s->limitStrength = false;
        else return false;
    } else if (sameText(name, "UCI_Elo")) {
        if (!readInteger(value, &n)) return false;
        s->elo = int(std::clamp<std::int64_t>(n, SKILL_ELO_MIN, SKILL_ELO_MAX));
    } else if (sameText(name, "Skill Level")) {
        if (!readInteger(value, &n)) return false;
        s->level = int(std::clamp<std::int64_t>(n, 0, SKILL_LEVEL_MAX));
    } else if (sameText(name, "Skill Seed")) {
        if (!readInteger(value, &n)) return false;
        s->seed = std::uint32_t(std::clamp<std::int64_t>(n, 0, SEED_MAX));
    } else {
        return false;
    }
    return true;
}

void printSkillFeatures()
{
    std::printf("feature option=\"Skill Level -spin %d 0 %d\"\n", SKILL_LEVEL_MAX, SKILL_LEVEL_MAX);
    std::printf("feature option=\"UCI_LimitStrength -check 0\"\n");
    std::printf("feature option=\"UCI_Elo -spin %d %d %d\"\n", SKILL_ELO_MAX, SKILL_ELO_MIN, SKILL_ELO_MAX);
    std::printf("feature option=\"Skill Seed -spin 0 0 %u\"\n", SEED_MAX);
}

void printSkillOptions()
{
    std::printf("option name UCI_LimitStrength type check default false\n");
    std::printf("option name UCI_Elo type spin default %d min %d max %d\n", SKILL_ELO_MAX, SKILL_ELO_MIN,
                SKILL_ELO_MAX);
    std::printf("option name Skill Level type spin default %d min 0 max %d\n", SKILL_LEVEL_MAX, SKILL_LEVEL_MAX);
    std::printf("option name Skill Seed type spin default 0 min 0 max %u\n", SEED_MAX);
}

void skillPrepare(const SkillSettings* s, SearchLimits* limits)
{
    const double strength = skillStrength(s);
    Candidates* c = &candidates;
    // The scores of a shallow depth are the main handicap, as they are a weak player's.
    c->pickDepth = 1 + int(strength);
    c->depth = c->count = 0;
    c->userLines = std::max(limits->multiPv, 1);
    c->userReport = limits->report;
    limits->report = keepLine;
    limits->multiPv = std::max(limits->multiPv, SKILL_LINES);
    // A weak player thinks too, but less: from a third of the budget at the lowest level.
    const double share = 0.35 + 0.65 * strength / SKILL_LEVEL_MAX;
    limits->timeLimit = std::max<std::int64_t>(std::int64_t(double(limits->timeLimit) * share), 1);
}

int skillPick(double strength, const int* scores, int count, std::uint64_t random)
{
    if (count <= 1) return 0;
    const int top = scores[0];
    // A move much worse than the best is never played, whatever the draw: a weak player
    // overlooks a small edge, not a piece left hanging in a quiet position.
    const int maxLoss = int(40 + 8 * (SKILL_LEVEL_MAX - strength));
    const int weakness = int(120 - 2 * strength);
    const int delta = std::min(top - scores[count - 1], PICK_DELTA_CAP);
    int best = 0;
    std::int64_t bestValue = INT64_MIN;
    for (int i = 0; i < count; ++i) {
        random = mix(random);
        if (top - scores[i] > maxLoss || (scores[i] < -MATE_BOUND && top >= -MATE_BOUND)) continue;
        const std::int64_t push = (std::int64_t(weakness) * (top - scores[i])
                                   + std::int64_t(delta) * std::int64_t(random % std::uint64_t(weakness))) / 128;
        const std::int64_t value = scores[i] + push;
        if (value >= bestValue) {
            bestValue = value;
            best = i;
        }
    }
    return best;
}

Move skillChoose(const SkillSettings* s, Board* board, const Move* searched)
{
    const Candidates* c = &candidates;
    if (c->count == 0) return *searched;
    static std::uint64_t drawn;  // moves chosen on the clock's seed, so two in one tick differ
    const std::uint64_t seed = s->seed ? mix(s->seed) ^ board->hashKey : mix(std::uint64_t(timer()) + ++drawn);
    const int pick = skillPick(skillStrength(s), c->scores, c->count, seed);
    Move legal[MAX_MOVES];
    const int n = generateMoves(board, legal, 1);
    for (int i = 0; i < n; ++i)
        if (legal[i].from == c->moves[pick].from && legal[i].to == c->moves[pick].to
            && legal[i].promotion == c->moves[pick].promotion)
            return legal[i];
    return *searched;
}
