#pragma once
// A process's home in a temporary folder, with the documents and autostart
// folders there too and a probe responder as its central service: nothing of the
// machine's is read or written. A process may change the current folder; the
// fixture puts it back.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/process.h"
#include "support/loopback.h"
#include "support/probe_responder.h"
#include "support/recording_ui.h"
#include "support/seeded_profile.h"
#include "support/temp_folder.h"

namespace velorin::test {

template <typename Ui = CRecordingUserInterface>
class ProcessHome : public ::testing::Test {
protected:
    ~ProcessHome() override { std::filesystem::current_path(startFolder_); }

    std::filesystem::path startFolder_ = std::filesystem::current_path();
    CTempFolder dir;
    CScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    CScopedEnv home{"HOME", dir.Path().string()};
    // A new profile tests port 7296, which the responder holds: the probe fails
    // at once instead of waiting for answers.
    CProbeResponder responder;
    CScopedEnv central{"VELORIN_CENTRAL", responder.Address()};
    // Nothing listens on port 1: the live update ends at once.
    CScopedEnv web{"VELORIN_WEB", "http://" + responder.Address() + ":1/"};
    Ui ui;
};

template <typename Ui = CRecordingUserInterface>
class ProcessFixture : public ProcessHome<Ui> {
protected:
    ~ProcessFixture() override { process.reset(); }

    // Starts `process` on the profile "p", seeded with `listenPort` unless the test seeded it.
    void StartProcess(const std::optional<std::string>& argument = std::nullopt,
                      uint16_t listenPort = FreeUdpPort()) {
        ASSERT_TRUE(this->responder.Ok());
        if (!std::filesystem::exists(this->dir / "p")) {
            ASSERT_TRUE(SeedProfile(this->dir / "p", listenPort));
        }
        process = std::make_unique<CProcess>(ProfileLocation{this->dir / "p", false}, this->ui);
        this->ui.Follow(process->Queue());
        ASSERT_FALSE(process->Start(argument).has_value());
    }

    std::unique_ptr<CProcess> process;
};

}  // namespace velorin::test
