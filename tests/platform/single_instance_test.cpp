#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;

TEST(SingleInstance, SecondHolderIsToldAnotherRunsAndCanHandOver) {
    test::CTempFolder dir;
    CSingleInstance first(dir.Path());
    ASSERT_EQ(first.Acquire(), CSingleInstance::Result::kFirst);
    ControlRequest seen;
    ASSERT_TRUE(first.Listen([&](const ControlRequest& r, const std::atomic<bool>&) {
        seen = r;
        return ControlAnswer{ControlAnswer::kRefused, "{\"n\": 1}"};
    }));

    CSingleInstance second(dir.Path());
    EXPECT_EQ(second.Acquire(), CSingleInstance::Result::kOther);

    ControlRequest request{ControlRequest::kCommand, {"say", "two words", ""}};
    ControlAnswer answer;
    EXPECT_EQ(CSingleInstance::Send(dir.Path(), request, answer, 1000ms),
              CSingleInstance::SendResult::kDelivered);
    EXPECT_EQ(seen.kind, ControlRequest::kCommand);
    EXPECT_EQ(seen.args, request.args);
    EXPECT_EQ(answer.status, ControlAnswer::kRefused);
    EXPECT_EQ(answer.json, "{\"n\": 1}");
}

TEST(SingleInstance, MalformedRequestsAreRefused) {
    ControlRequest r;
    std::string good = EncodeControlRequest(ControlRequest{ControlRequest::kLink, {"VEL://x"}});
    EXPECT_TRUE(DecodeControlRequest(good, r));
    EXPECT_FALSE(DecodeControlRequest(good.substr(0, good.size() - 1), r));
    EXPECT_FALSE(DecodeControlRequest(good + "x", r));
    EXPECT_FALSE(DecodeControlRequest(std::string("\x09\0\0\0\0", 5), r));
    EXPECT_FALSE(DecodeControlRequest(std::string("\x03\xFF\xFF\xFF\xFF", 5), r));
    EXPECT_FALSE(DecodeControlRequest("", r));
}

}  // namespace
}  // namespace velorin
