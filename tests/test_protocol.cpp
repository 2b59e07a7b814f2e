// The engine binary driven through pipes, as a GUI drives it.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "hash.h"
#include "interface.h"
#include "utils.h"

namespace {

// Generous: sanitizer builds are slow, and a hung engine still fails the test.
constexpr int LINE_TIMEOUT_MS = 30000;
// A few milliseconds a move for the search; the hard cap of "st" is not under test here.
const std::string FAST_CLOCK = "time 100\n";

class TempDir {
public:
    TempDir()
    {
        char name[] = "/tmp/quillmaren-gui-XXXXXX";
        path_ = mkdtemp(name) ? name : "/tmp";
    }
    ~TempDir()
    {
        std::remove((path_ + "/quillmaren.bk").c_str());
        rmdir(path_.c_str());
    }
    void writeBook(const std::string& contents) const
    {
        FILE* f = std::fopen((path_ + "/quillmaren.bk").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(contents.c_str(), f);
        std::fclose(f);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class Engine {
public:
    explicit Engine(const std::string& dir)
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            if (chdir(dir.c_str()) != 0) _exit(126);
            execl(QUILLMAREN_BIN, QUILLMAREN_BIN, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toEngine_ = in[1];
        fromEngine_ = out[0];
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~Engine()
    {
        closeInput();
        if (fromEngine_ >= 0) close(fromEngine_);
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    void interrupt() const { kill(pid_, SIGINT); }

    void send(const std::string& text)
    {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = write(toEngine_, text.data() + done, text.size() - done);
            if (n <= 0) return;
            done += std::size_t(n);
        }
    }
    void closeInput()
    {
        if (toEngine_ >= 0) close(toEngine_);
        toEngine_ = -1;
    }

    // The next line without its newline, or nothing when none comes in time.
    std::optional<std::string> line(int timeoutMs = LINE_TIMEOUT_MS)
    {
        const std::int64_t deadline = timer() + timeoutMs;
        for (;;) {
            const std::size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string text = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return text;
            }
            const std::int64_t left = deadline - timer();
            if (left <= 0) return std::nullopt;
            pollfd p = {fromEngine_, POLLIN, 0};
            if (poll(&p, 1, int(left)) <= 0) continue;
            char chunk[4096];
            const ssize_t n = read(fromEngine_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, std::size_t(n));
        }
    }

    // The exit status, or -1 when the process has not ended in time.
    int waitExit(int timeoutMs = LINE_TIMEOUT_MS)
    {
        const std::int64_t deadline = timer() + timeoutMs;
        while (timer() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int toEngine_ = -1, fromEngine_ = -1;
    bool exited_ = false;
    std::string buffer_;
};

// The game as the GUI sees it, to judge the engine's moves.
class Mirror {
public:
    explicit Mirror(const char* fen = initialPosition)
    {
        initZobrist();
        board_.reset(newBoard());
        setupFen(board_.get(), fen);
        getHashkey(board_.get());
    }
    // Plays the move if it is legal here; a promotion needs its letter.
    bool play(const std::string& text)
    {
        Move m;
        if (!inputMoveLegal(board_.get(), text.c_str(), &m)) return false;
        Move* stored = &board_->gameMoves[board_->gamePly];
        *stored = m;
        makeMove(board_.get(), stored);
        updateHashKey(board_.get(), stored);
        return true;
    }

private:
    std::unique_ptr<Board> board_;
};

bool isThinkingLine(const std::string& text)
{
    return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-');
}

// Lines up to and including the next move line; thinking lines only before it.
struct EngineReply {
    std::vector<std::string> thinking;
    std::string move;  // the move text, "" when none came
};

EngineReply readMove(Engine* engine)
{
    EngineReply reply;
    while (auto text = engine->line()) {
        if (text->rfind("move ", 0) == 0) {
            reply.move = text->substr(5);
            return reply;
        }
        EXPECT_TRUE(isThinkingLine(*text)) << "unexpected line before the move: " << *text;
        reply.thinking.push_back(*text);
    }
    ADD_FAILURE() << "no move line";
    return reply;
}

// Sends "xboard" and returns what the engine printed before its reply: the lines it owed
// for the earlier input, since it handles its input in order.
std::vector<std::string> sync(Engine* engine)
{
    engine->send("xboard\n");
    std::vector<std::string> before;
    while (auto text = engine->line()) {
        if (text->empty()) {
            EXPECT_EQ(engine->line().value_or("?"), "feature done=0");
            EXPECT_EQ(engine->line().value_or("?"), "feature setboard=1 time=1 analyze=0 myname=\"Quillmaren v0.1g\"");
            EXPECT_EQ(engine->line().value_or("?"), "feature done=1");
            return before;
        }
        before.push_back(*text);
    }
    ADD_FAILURE() << "no reply to xboard";
    return before;
}

// A started engine with its two feature lines read.
std::unique_ptr<Engine> startEngine(const TempDir& dir)
{
    auto engine = std::make_unique<Engine>(dir.path());
    EXPECT_TRUE(engine->started());
    EXPECT_EQ(engine->line().value_or("?"), "feature done=0 time=1 draw=0 analyze=0");
    EXPECT_EQ(engine->line().value_or("?"), "feature done=1");
    return engine;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(Protocol, FeatureLinesComeBeforeAnyInput)
{
    TempDir dir;
    Engine engine(dir.path());
    ASSERT_TRUE(engine.started());
    EXPECT_EQ(engine.line().value_or("?"), "feature done=0 time=1 draw=0 analyze=0");
    EXPECT_EQ(engine.line().value_or("?"), "feature done=1");
    EXPECT_EQ(engine.line(200), std::nullopt) << "nothing more until asked";
}

TEST(Protocol, XboardReplyAndQuitWithStatusZero)
{
    TempDir dir;
    auto engine = startEngine(dir);
    EXPECT_EQ(sync(engine.get()), Lines{});
    engine->send("protover 2\naccepted setboard\nrejected draw\nquit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}

TEST(Protocol, EndOfInputEndsWithStatusZero)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\ne2e4\n");
    engine->closeInput();
    EXPECT_EQ(engine->waitExit(), 0);
}

TEST(Protocol, OpponentMoveIsAnsweredWithoutGo)
{
    TempDir dir;  // no book: the search answers
    auto engine = startEngine(dir);
    engine->send("new\n" + FAST_CLOCK + "e2e4\n");
    Mirror game;
    ASSERT_TRUE(game.play("e2e4"));
    const EngineReply reply = readMove(engine.get());
    EXPECT_TRUE(game.play(reply.move)) << reply.move;
    for (const std::string& text : reply.thinking) EXPECT_EQ(text.find("(Book)"), std::string::npos);
}

TEST(Protocol, ForceRecordsMovesAndGoMovesForTheSideToMove)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\n" + FAST_CLOCK + "e2e4\ne7e5\ng1f3\n");
    EXPECT_EQ(sync(engine.get()), Lines{}) << "force mode only records";
    engine->send("go\n");
    Mirror game;
    for (const char* m : {"e2e4", "e7e5", "g1f3"}) ASSERT_TRUE(game.play(m));
    const std::string move = readMove(engine.get()).move;
    EXPECT_TRUE(game.play(move)) << move;
    // go left force mode: the next opponent's move is answered.
    engine->send(FAST_CLOCK + "f1c4\n");
    if (game.play("f1c4")) {
        EXPECT_TRUE(game.play(readMove(engine.get()).move));
    }
}

TEST(Protocol, UndoTwiceTakesBackTwoMoves)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\n" + FAST_CLOCK + "e2e4\ne7e5\ng1f3\nundo\nundo\ngo\n");
    Mirror game;
    ASSERT_TRUE(game.play("e2e4"));
    const std::string move = readMove(engine.get()).move;  // black to move again
    EXPECT_TRUE(game.play(move)) << move;
}

TEST(Protocol, SetboardTurnsTheBookOffAndWaitsForGo)
{
    TempDir dir;
    dir.writeBook(" e2e4e7e5\n g1f3d7d5\n");
    auto engine = startEngine(dir);
    const char* fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    engine->send(FAST_CLOCK + "new\nsetboard " + fen + "\n");
    EXPECT_EQ(sync(engine.get()), Lines{}) << "no move before go";
    engine->send("go\n");
    const EngineReply reply = readMove(engine.get());
    for (const std::string& text : reply.thinking) EXPECT_EQ(text.find("(Book)"), std::string::npos);
    Mirror game(fen);
    EXPECT_TRUE(game.play(reply.move));
}

TEST(Protocol, RefusedSetboardKeepsTheGame)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\n" + FAST_CLOCK + "e2e4\nsetboard 8/8/8 w - - 0 1\n");
    EXPECT_EQ(sync(engine.get()), Lines{"tellusererror Illegal position"});
    engine->send("go\n");
    Mirror game;
    ASSERT_TRUE(game.play("e2e4"));
    const std::string move = readMove(engine.get()).move;
    EXPECT_TRUE(game.play(move)) << move;
}

TEST(Protocol, StAndTimeBudgetsStillGiveMoves)
{
    TempDir dir;
    auto engine = startEngine(dir);
    Mirror game;
    // "st 1" then clocks down to nothing and below: every budget still yields a legal move.
    const char* clocks[] = {"st 1\n", "time 20\n", "time 0\n", "time -500\n",
                            "time 99999999999999999999\ntime 100\n", "st -3\n"};
    engine->send("new\nforce\n");
    for (const char* clock : clocks) {
        engine->send(std::string(clock) + "go\nforce\n");
        const std::string move = readMove(engine.get()).move;
        ASSERT_TRUE(game.play(move)) << "after " << clock << ": " << move;
    }
}

TEST(Protocol, OpponentPromotionsNeedTheirLetterInEitherCase)
{
    struct Case {
        const char* typed;
        const char* played;
    };
    const Case cases[] = {{"e7e8q", "e7e8q"}, {"e7e8N", "e7e8n"}, {"e7e8R", "e7e8r"}};
    for (const Case& c : cases) {
        TempDir dir;
        auto engine = startEngine(dir);
        const char* fen = "k7/4P3/8/8/8/8/8/K7 w - - 0 1";
        engine->send(FAST_CLOCK + "setboard " + fen + "\ne7e8\n");
        EXPECT_EQ(sync(engine.get()), Lines{}) << "a promotion without its letter is no move";
        engine->send(std::string(c.typed) + "\n");
        Mirror game(fen);
        ASSERT_TRUE(game.play(c.played));
        const std::string move = readMove(engine.get()).move;
        EXPECT_TRUE(game.play(move)) << c.typed << " answered by " << move;
    }
}

TEST(Protocol, EnginePromotionsCarryTheirLetter)
{
    // Only promotions are legal: the mover's king is boxed in.
    const char* positions[] = {"7k/2P3pp/8/8/8/p1n5/8/K7 w - - 0 1",
                               "k7/8/P1N5/8/8/8/2p3PP/7K b - - 0 1"};
    for (const char* fen : positions) {
        TempDir dir;
        auto engine = startEngine(dir);
        engine->send(FAST_CLOCK + "setboard " + fen + "\ngo\n");
        const EngineReply reply = readMove(engine.get());
        ASSERT_EQ(reply.move.size(), 5u) << reply.move;
        EXPECT_NE(std::string("qrbn").find(reply.move[4]), std::string::npos) << reply.move;
        Mirror game(fen);
        EXPECT_TRUE(game.play(reply.move)) << reply.move;
        // The moves of the thinking lines carry the letter too.
        for (const std::string& text : reply.thinking) {
            std::size_t at = text.find(reply.move.substr(0, 4));
            if (at == std::string::npos) continue;
            const std::size_t end = text.find(' ', at);
            EXPECT_EQ((end == std::string::npos ? text.size() : end) - at, 5u) << text;
        }
    }
}

TEST(Protocol, IllegalAndMalformedMovesAreIgnoredSilently)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\n" + FAST_CLOCK + "e2e5\ne7e5\nz9z9\ne2\nE2E4\ne1g1\n\n e2e4\nblah blah\n");
    EXPECT_EQ(sync(engine.get()), Lines{});
    engine->send("go\n");
    Mirror game;
    const std::string move = readMove(engine.get()).move;
    EXPECT_TRUE(game.play(move)) << "none of those lines was a move: " << move;
}

TEST(Protocol, FoolsMateIsAnnouncedAfterTheOpponentsMove)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\nf2f3\ne7e5\ng2g4\nd8h4\n");
    EXPECT_EQ(sync(engine.get()), Lines{"0-1 {Black mates}"});
    // A go in the finished game plays nothing.
    engine->send("go\n");
    const Lines after = sync(engine.get());
    for (const std::string& text : after) EXPECT_NE(text.rfind("move ", 0), 0u) << text;
}

TEST(Protocol, MateByTheOpponentInPlayModeIsAnnouncedWithoutReply)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send(FAST_CLOCK + "setboard 6k1/5ppp/8/8/8/8/8/K3R3 w - - 0 1\ne1e8\n");
    EXPECT_EQ(sync(engine.get()), Lines{"1-0 {White mates}"});
}

TEST(Protocol, KnightShuffleIsADrawAfterHalfMoveNineNotEight)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\ng1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\nf6g8\n");
    EXPECT_EQ(sync(engine.get()), Lines{}) << "the start position's third time is not counted";
    engine->send("g1f3\n");
    EXPECT_EQ(sync(engine.get()), Lines{"1/2-1/2 {Draw by repetition}"});
}

TEST(Protocol, StalemateByTheOpponentIsAnnouncedWithoutReply)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send(FAST_CLOCK + "setboard k7/8/8/1Q6/8/8/8/K7 w - - 0 1\nb5b6\n");
    EXPECT_EQ(sync(engine.get()), Lines{"1/2-1/2 {Stalemate}"});
}

TEST(Protocol, EnginesOnlyMoveMatesAndIsFollowedByTheResult)
{
    // Every legal move promotes, and the queen promotion (or the rook) mates.
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send(FAST_CLOCK + "setboard 7k/2P3pp/8/8/8/p1n5/8/K7 w - - 0 1\ngo\n");
    const std::string move = readMove(engine.get()).move;
    EXPECT_TRUE(move == "c7c8q" || move == "c7c8r") << move;
    EXPECT_EQ(sync(engine.get()), Lines{"1-0 {White mates}"});
}

TEST(Protocol, EngineFindsMateInOneAndAnnouncesItNeedsRealSearch)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("st 1\nsetboard 6k1/5ppp/8/8/8/8/5PPP/K3R3 w - - 0 1\ngo\n");
    EXPECT_EQ(readMove(engine.get()).move, "e1e8");
    EXPECT_EQ(sync(engine.get()), Lines{"1-0 {White mates}"});
    engine->send("setboard 4r1k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1\ngo\n");
    EXPECT_EQ(readMove(engine.get()).move, "e8e1");
    EXPECT_EQ(sync(engine.get()), Lines{"0-1 {Black mates}"});
}

TEST(Protocol, BookMoveIsAnnouncedAndTheBookGivesWayToTheSearch)
{
    TempDir dir;
    dir.writeBook(" e2e4e7e5g1f3\n");
    auto engine = startEngine(dir);
    engine->send("new\n" + FAST_CLOCK + "go\n");
    EngineReply reply = readMove(engine.get());
    EXPECT_EQ(reply.thinking, Lines{"0 0 0 0 e2e4 (Book)"});
    EXPECT_EQ(reply.move, "e2e4");
    engine->send("e7e5\n");
    reply = readMove(engine.get());
    EXPECT_EQ(reply.thinking, Lines{"0 0 0 0 g1f3 (Book)"});
    EXPECT_EQ(reply.move, "g1f3");
    engine->send("b8c6\n");  // out of the book
    reply = readMove(engine.get());
    for (const std::string& text : reply.thinking) EXPECT_EQ(text.find("(Book)"), std::string::npos);
    Mirror game;
    for (const char* m : {"e2e4", "e7e5", "g1f3", "b8c6"}) ASSERT_TRUE(game.play(m));
    EXPECT_TRUE(game.play(reply.move)) << reply.move;
    // "new" turns the book on again.
    engine->send("new\ngo\n");
    EXPECT_EQ(readMove(engine.get()).thinking, Lines{"0 0 0 0 e2e4 (Book)"});
}

TEST(Protocol, MissingBookLeavesEveryMoveToTheSearch)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\n" + FAST_CLOCK + "go\n");
    const EngineReply reply = readMove(engine.get());
    for (const std::string& text : reply.thinking) EXPECT_EQ(text.find("(Book)"), std::string::npos);
    Mirror game;
    EXPECT_TRUE(game.play(reply.move));
}

TEST(Protocol, ShippedBookPlaysFromTheRepository)
{
    Engine engine(QUILLMAREN_SOURCE_DIR);
    ASSERT_TRUE(engine.started());
    engine.line();
    engine.line();
    engine.send("new\n" + FAST_CLOCK + "go\n");
    const EngineReply reply = readMove(&engine);
    ASSERT_EQ(reply.thinking.size(), 1u);
    EXPECT_EQ(reply.thinking[0], "0 0 0 0 " + reply.move + " (Book)");
}

TEST(Protocol, EditModeSetsThePositionAsCutechessSendsIt)
{
    TempDir dir;
    auto engine = startEngine(dir);
    // new, force, the dummy move that hands the move to black, then the men.
    engine->send("new\nforce\nb2b3\nedit\n#\nKe1\nRa1\nPe4\nc\nKe8\nRh8\nPe5\n.\n" + FAST_CLOCK);
    EXPECT_EQ(sync(engine.get()), Lines{});
    engine->send("go\n");
    Mirror game("4k2r/8/8/4p3/4P3/8/8/R3K3 b Qk - 0 1");
    const std::string move = readMove(engine.get()).move;
    EXPECT_TRUE(game.play(move)) << move;
    // A refused edit says so and keeps the game.
    engine->send("force\nedit\n#\nKe1\n.\n");
    EXPECT_EQ(sync(engine.get()), Lines{"tellusererror Illegal position"});
}

TEST(Protocol, GameLengthLimitIsRefusedCleanly)
{
    TempDir dir;
    auto engine = startEngine(dir);
    const char* shuffle[] = {"g1f3\n", "g8f6\n", "f3g1\n", "f6g8\n"};
    std::string moves = "new\nforce\n";
    for (int i = 0; i < MAX_GAME_PLY; ++i) moves += shuffle[i % 4];
    engine->send(moves);
    EXPECT_EQ(sync(engine.get()).size(), 4u) << "half-moves 9 to 12 stand three times";
    engine->send("g1f3\n");
    EXPECT_EQ(sync(engine.get()), Lines{"Illegal move (game too long): g1f3"});
    engine->send("go\n");
    EXPECT_EQ(sync(engine.get()), Lines{"1/2-1/2 {50 move rule}"});
    engine->send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}

TEST(Protocol, GarbageAndOverlongLinesNeitherCrashNorCount)
{
    TempDir dir;
    auto engine = startEngine(dir);
    engine->send("new\nforce\n" + FAST_CLOCK);
    // Tails of long lines must not pass for moves or commands.
    engine->send(std::string(255, 'a') + "e2e4\n");
    engine->send(std::string(300, 'b') + "quit\n");
    engine->send(std::string(5000, 'x') + "\n");
    std::string bytes;
    for (int i = 1; i < 256; ++i) bytes += char(i);
    engine->send(bytes + "\n" + bytes + bytes + "\n");
    engine->send("setboard " + std::string(500, '8') + "\ntime 99999999999999999999999\n");
    engine->send(FAST_CLOCK);
    const Lines before = sync(engine.get());
    for (const std::string& text : before) EXPECT_EQ(text, "tellusererror Illegal position");
    engine->send("go\n");
    Mirror game;
    const std::string move = readMove(engine.get()).move;
    EXPECT_TRUE(game.play(move)) << "still the start position, white to move: " << move;
    engine->send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}

TEST(Protocol, InterruptSignalIsIgnored)
{
    TempDir dir;
    auto engine = startEngine(dir);
    EXPECT_EQ(sync(engine.get()), Lines{});
    // xboard interrupts before every move; the engine must survive it.
    engine->interrupt();
    engine->send("new\nforce\n");
    EXPECT_EQ(sync(engine.get()), Lines{});
    engine->interrupt();
    engine->send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}
