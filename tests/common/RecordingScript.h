#pragma once

#include "common/ScriptedServer.h"
#include "protocol/ShotMessage.h"

#include <chrono>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A scripted server's script that answers each registration with the given block, then sends what
// it is handed and keeps every block the display sends, for a test or a benchmark to read.
class TRecordingScript {
public:
    explicit TRecordingScript(TExchangeBlock answer) : answer_(answer) {}

    TScriptedServer::TScript Script() {
        return [this](TScriptedServer::TConnection& connection) { return Serve(connection); };
    }
    // Any thread: sent to the display connected now, or the next one.
    void Send(const TExchangeBlock& block) {
        std::lock_guard lock(mutex_);
        outgoing_.push_back(block);
    }
    std::vector<TExchangeBlock> Received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    void Forget() {
        std::lock_guard lock(mutex_);
        received_.clear();
    }
    // The pictures the display answered with, their parts joined.
    std::vector<std::string> Shots() {
        std::vector<std::string> shots;
        std::string jpeg;
        for (const TExchangeBlock& block : Received()) {
            if (const auto part = ShotMessage::ReadPart(block)) {
                jpeg += part->Bytes;
                if (part->Part == part->Count)
                    shots.push_back(std::exchange(jpeg, {}));
            }
        }
        return shots;
    }

private:
    bool Serve(TScriptedServer::TConnection& connection) {
        if (!connection.Send(answer_))
            return false;
        for (;;) {
            std::vector<TExchangeBlock> outgoing;
            {
                std::lock_guard lock(mutex_);
                outgoing.swap(outgoing_);
            }
            for (const TExchangeBlock& block : outgoing)
                if (!connection.Send(block))
                    return false;
            bool ended = false;
            const auto block = connection.Receive(std::chrono::milliseconds(20), ended);
            if (ended)
                return false;
            if (block) {
                std::lock_guard lock(mutex_);
                received_.push_back(*block);
            }
        }
    }

    const TExchangeBlock answer_;
    std::mutex mutex_;
    std::vector<TExchangeBlock> outgoing_; // under mutex_
    std::vector<TExchangeBlock> received_; // under mutex_
};
