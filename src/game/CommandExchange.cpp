#include "game/CommandExchange.h"

#include "game/GameClock.h"
#include "link/FrameCodec.h"
#include "link/SerialTransport.h"
#include "state/Globals.h"
#include "state/Log.h"

#include <array>
#include <mutex>

namespace {

std::mutex g_writerMutex;
CommandFrameWriter g_writer;

void WriteCommandFrame(const GameCommand& command, std::uint64_t link) {
    std::array<std::uint8_t, kCommandFrameMax> frame{};
    const auto length = static_cast<std::uint8_t>(BuildCommandFrame(command, frame));
    CommandFrameWriter writer;
    {
        std::lock_guard lock(g_writerMutex);
        writer = g_writer;
    }
    if (!writer)
        WritePortOfLink(link, frame.data(), length);
    else if (g_Link.Generation() == link)
        writer(frame.data(), length);
}

} // namespace

GameCommand OpeningCommand() {
    GameCommand command;
    command.action = kActionStart;
    command.difficulty = kOpeningDifficulty;
    return command;
}

bool SendGameCommand(GameCommand command, std::uint64_t link) {
    for (int attempt = 0; attempt < kCommandTries; ++attempt) {
        // Cleared before the frame goes out: only an answer that comes after it counts.
        g_nAckStatus = kReplyNone;
        WriteCommandFrame(command, link);
        for (int poll = 0; poll < kAckPollsPerTry; ++poll) {
            GameSleep(kAckPollPeriod);
            if (g_nAckStatus != kReplyNone)
                return true;
        }
    }
    qCWarning(lcGame, "the drone did not answer the game command (action %d, difficulty %d, attempt %d)",
              command.action, command.difficulty, command.attempt);
    return false;
}

void PostGameCommand(GameCommand command, std::uint64_t link) {
    WriteCommandFrame(command, link);
}

void SetCommandFrameWriter(CommandFrameWriter writer) {
    std::lock_guard lock(g_writerMutex);
    g_writer = std::move(writer);
}
