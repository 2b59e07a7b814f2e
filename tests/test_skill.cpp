// SPDX-License-Identifier: GPL-3.0-or-later
// Strength levels: the options, the mapping onto levels, and the choice among candidates.
#include <gtest/gtest.h>

#include <set>

#include "skill.h"

TEST(Skill, OptionsAreSetClampedAndGarbageLeavesThemAlone)
{
    SkillSettings s = {false, SKILL_ELO_MAX, SKILL_LEVEL_MAX, 0};
    EXPECT_FALSE(skillActive(&s)) << "full strength by default";
    EXPECT_TRUE(setSkillOption(&s, "skill level", " 7\r\n"));
    EXPECT_EQ(s.level, 7);
    EXPECT_TRUE(setSkillOption(&s, "Skill Level", "-3"));
    EXPECT_EQ(s.level, 0);
    EXPECT_TRUE(setSkillOption(&s, "UCI_Elo", "99999"));
    EXPECT_EQ(s.elo, SKILL_ELO_MAX);
    for (const char* bad : {"", "abc", "12x", "1 2", "99999999999999999999999999999999"})
        EXPECT_FALSE(setSkillOption(&s, "UCI_Elo", bad)) << bad;
    EXPECT_FALSE(setSkillOption(&s, "UCI_LimitStrength", "maybe"));
    EXPECT_FALSE(setSkillOption(&s, "Skill", "3"));
    EXPECT_EQ(s.elo, SKILL_ELO_MAX);
    EXPECT_FALSE(s.limitStrength);
    EXPECT_TRUE(setSkillOption(&s, "Skill Seed", "42"));
    EXPECT_EQ(s.seed, 42u);

    // Elo counts only with UCI_LimitStrength, and then the weaker setting rules.
    s.level = SKILL_LEVEL_MAX;
    EXPECT_TRUE(setSkillOption(&s, "UCI_Elo", "0"));
    EXPECT_FALSE(skillActive(&s));
    EXPECT_TRUE(setSkillOption(&s, "UCI_LimitStrength", "true"));
    EXPECT_EQ(skillStrength(&s), 0.0);
    s.elo = SKILL_ELO_MAX;
    s.level = 3;
    EXPECT_EQ(skillStrength(&s), 3.0);
    // The scale runs both ways and never backwards.
    double last = -1;
    for (int level = 0; skillLevelElo(level) <= SKILL_ELO_MAX; ++level) {
        s.elo = skillLevelElo(level);
        s.level = SKILL_LEVEL_MAX;
        EXPECT_NEAR(skillStrength(&s), level, 0.05) << s.elo;
        EXPECT_GT(skillStrength(&s), last);
        last = skillStrength(&s);
    }
    EXPECT_EQ(skillLevelElo(0), SKILL_ELO_MIN);
    EXPECT_GT(last, SKILL_LEVEL_MAX / 2);
    EXPECT_LT(last, SKILL_LEVEL_MAX) << "the top of the Elo range weakens the engine";
    EXPECT_GT(skillLevelElo(SKILL_LEVEL_MAX), SKILL_ELO_MAX);
}

TEST(Skill, WeakerMovesAreChosenSometimesButNeverOneFarWorseOrMated)
{
    // Four moves within a few centipawns: a weak level plays each of them now and then, the
    // best most often; a full-strength pick is almost always the best.
    const int close[] = {30, 26, 20, 15};
    int chosen[4] = {};
    for (std::uint64_t seed = 1; seed <= 2000; ++seed) ++chosen[skillPick(0, close, 4, seed)];
    for (int i = 0; i < 4; ++i) EXPECT_GT(chosen[i], 0) << i;
    EXPECT_GT(chosen[0], chosen[3]);
    // A piece left en prise and a mate against: never, at any level.
    const int blunders[] = {40, 35, -290, -31000};
    for (double strength : {0.0, 5.0, 19.5})
        for (std::uint64_t seed = 1; seed <= 2000; ++seed)
            EXPECT_LT(skillPick(strength, blunders, 4, seed), 2) << strength;
    const int one[] = {-5};
    EXPECT_EQ(skillPick(0, one, 1, 9), 0);
}
