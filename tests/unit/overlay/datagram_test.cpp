#include <gtest/gtest.h>

#include "datagram.h"

namespace {

TEST(Datagram, CommandAndArgumentSplitAtTheFirstSpace) {
    Datagram d = parseDatagram("VYRO show");
    EXPECT_EQ(d.command, GameCommand::show);
    EXPECT_EQ(d.argument, "");

    d = parseDatagram("VYRO show ab cd");
    EXPECT_EQ(d.command, GameCommand::show);
    EXPECT_EQ(d.argument, "ab cd");

    d = parseDatagram("VYRO show ");
    EXPECT_EQ(d.command, GameCommand::show);
    EXPECT_EQ(d.argument, "");

    d = parseDatagram("VYRO note  \"two spaces\"");
    EXPECT_EQ(d.command, GameCommand::note);
    EXPECT_EQ(d.argument, " \"two spaces\"");
}

TEST(Datagram, EveryCommandWord) {
    const std::pair<const char*, GameCommand> words[] = {
        {"show", GameCommand::show},     {"hide", GameCommand::hide},
        {"toggle", GameCommand::toggle}, {"note", GameCommand::note},
        {"reload", GameCommand::reload}, {"page", GameCommand::page},
        {"state", GameCommand::state},   {"window", GameCommand::window},
        {"bye", GameCommand::bye},
    };
    for (const auto& [word, command] : words)
        EXPECT_EQ(parseDatagram(std::string("VYRO ") + word + " x").command, command) << word;
}

TEST(Datagram, IgnoredWithoutMagicOrWithAnotherWord) {
    for (const char* text : {"VYRO Show", "VYRO show\n", "VYROshow", "VYRO", "VYRO ", "vyro show",
                             "XYRO show", "", "VYR", "VYRO shows", "VYRO  show", "VYRO bye\r"}) {
        Datagram d = parseDatagram(text);
        EXPECT_EQ(d.command, GameCommand::none) << text;
        EXPECT_EQ(d.argument, "") << text;
    }
}

TEST(Datagram, TrailingLineFeedStaysInTheArgument) {
    EXPECT_EQ(parseDatagram("VYRO show pad\n").argument, "pad\n");
    EXPECT_FALSE(wantsBorderless("borderless\n"));
}

TEST(Datagram, TextIsCutAtTheFirstZeroByte) {
    const char bytes[] = {'V', 'Y', 'R', 'O', ' ', 's', 't', 'a', 't', 'e', 0, 'x'};
    EXPECT_EQ(datagramText(bytes, sizeof bytes), "VYRO state");
    EXPECT_EQ(datagramText("abc", 3), "abc");
    EXPECT_EQ(datagramText("\0abc", 4), "");
    EXPECT_EQ(datagramText(nullptr, 0), "");
}

TEST(ReplyAddress, EverySenderUntilTheGameSidePortThenOnlyIt) {
    bool latched = false;
    EXPECT_TRUE(takeReplyAddress(latched, 50000));
    EXPECT_FALSE(latched);
    EXPECT_TRUE(takeReplyAddress(latched, 50001));
    EXPECT_TRUE(takeReplyAddress(latched, 47630));
    EXPECT_TRUE(latched);
    EXPECT_FALSE(takeReplyAddress(latched, 50000));
    EXPECT_TRUE(latched);
    EXPECT_TRUE(takeReplyAddress(latched, 47630));
    EXPECT_FALSE(takeReplyAddress(latched, 0));
}

TEST(Datagram, Texts) {
    EXPECT_EQ(stateText(0), "state hidden");
    EXPECT_EQ(stateText(1), "state passive");
    EXPECT_EQ(stateText(2), "state active");
    EXPECT_EQ(outgoingDatagram("state active"), "VYRO state active");
    EXPECT_EQ(byeReason(50000), "'bye' from UDP port 50000");
    EXPECT_TRUE(wantsBorderless("borderless"));
    EXPECT_FALSE(wantsBorderless(""));
    EXPECT_FALSE(wantsBorderless("Borderless"));
    EXPECT_FALSE(wantsBorderless("borderless "));
}

} // namespace
