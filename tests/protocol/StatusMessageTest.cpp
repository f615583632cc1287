#include "protocol/StatusMessage.h"

#include "protocol/TextMessage.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusMessageTest, ReadGivesBackWhatWasMadeWithTheLinesCutAtTheBlock) {
    const TStatusMessage status{"Client 3", "type 2: spring.mp4 (3 of 6)",
                                "type=2\r\nitem=spring.mp4\r\nscreen=on\r\n"};
    EXPECT_EQ(StatusMessage::Read(StatusMessage::Make(status)), status);
    const TStatusMessage full{"Client 3", "", std::string(1500, 'x')};
    EXPECT_EQ(StatusMessage::Read(StatusMessage::Make(full))->Lines, std::string(1000, 'x'));
    EXPECT_FALSE(StatusMessage::Is(TextMessage::Make({"Client 3", "", "STATUS"})));
}

} // namespace
