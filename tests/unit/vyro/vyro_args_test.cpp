#include <gtest/gtest.h>

#include "vyro_args.h"
#include "vyro_datagram.h"

namespace {

VyroRequest parse(std::vector<std::string> args) {
    return parseArguments(args);
}

TEST(VyroArgs, DefaultsAreTheGameSidePortsAndTwoSeconds) {
    VyroRequest r = parse({"state"});
    EXPECT_EQ(r.command, VyroCommand::state);
    EXPECT_EQ(r.fromPort, 47630);
    EXPECT_EQ(r.overlayPort, 47632);
    EXPECT_EQ(r.timeoutMs, 2000);
    EXPECT_EQ(r.error, "");
}

TEST(VyroArgs, EveryCommandWordWithItsDatagram) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"show"}, "VYRO show"},
        {{"show", "ab cd"}, "VYRO show ab cd"},
        {{"show", ""}, "VYRO show "},
        {{"hide"}, "VYRO hide"},
        {{"toggle"}, "VYRO toggle"},
        {{"toggle", "pad"}, "VYRO toggle pad"},
        {{"note", "\"hi\""}, "VYRO note \"hi\""},
        {{"note", "{\"n\": 2}"}, "VYRO note {\"n\": 2}"},
        {{"page", "{\"type\":\"custom\"}"}, "VYRO page {\"type\":\"custom\"}"},
        {{"state"}, "VYRO state"},
        {{"window", "borderless"}, "VYRO window borderless"},
        {{"window", "framed"}, "VYRO window framed"},
        {{"reload"}, "VYRO reload"},
        {{"bye"}, "VYRO bye"},
        {{"listen"}, "VYRO state"},
        {{"listen", "5"}, "VYRO state"},
    };
    for (const auto& [args, datagram] : cases) {
        VyroRequest r = parse(args);
        EXPECT_EQ(r.error, "") << datagram;
        EXPECT_EQ(requestDatagram(r), datagram);
    }
}

TEST(VyroArgs, OptionsBeforeOrAfterTheCommand) {
    VyroRequest r = parse({"--from", "50000", "show", "p", "--port", "40000", "--timeout", "0.5"});
    EXPECT_EQ(r.command, VyroCommand::show);
    EXPECT_EQ(r.argument, "p");
    EXPECT_EQ(r.fromPort, 50000);
    EXPECT_EQ(r.overlayPort, 40000);
    EXPECT_EQ(r.timeoutMs, 500);
    EXPECT_EQ(parse({"state", "--from", "0"}).fromPort, 0);
    EXPECT_EQ(parse({"--port", "1", "--port", "2", "state"}).overlayPort, 2);
}

TEST(VyroArgs, DoubleDashLetsANoteLookLikeAnOption) {
    VyroRequest r = parse({"page", "--", "{\"a\":\"--port\"}"});
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(parse({"note", "-5"}).argument, "-5");
    EXPECT_EQ(parse({"note", "--", "-1.5e3"}).argument, "-1.5e3");
    EXPECT_EQ(parse({"show", "--", "--port"}).argument, "--port");
}

TEST(VyroArgs, HelpWins) {
    EXPECT_EQ(parse({"--help"}).command, VyroCommand::help);
    EXPECT_EQ(parse({"-h", "bogus"}).command, VyroCommand::help);
    EXPECT_EQ(parse({"help"}).command, VyroCommand::help);
}

TEST(VyroArgs, RefusedCommandLinesSayWhy) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "no command given"},
        {{"--from", "1"}, "no command given"},
        {{"Show"}, "unknown command \"Show\""},
        {{"shows"}, "unknown command \"shows\""},
        {{"hide", "x"}, "hide takes no argument"},
        {{"state", "now"}, "state takes no argument"},
        {{"bye", "x"}, "bye takes no argument"},
        {{"reload", "x"}, "reload takes no argument"},
        {{"show", "a", "b"}, "show takes one argument; quote a text with blanks"},
        {{"note"}, "note needs an argument"},
        {{"page"}, "page needs an argument"},
        {{"window"}, "window needs an argument"},
        {{"window", "Borderless"}, "window needs borderless or framed, not \"Borderless\""},
        {{"window", "full"}, "window needs borderless or framed, not \"full\""},
        {{"--port"}, "--port needs a value"},
        {{"state", "--from"}, "--from needs a value"},
        {{"-x", "state"}, "unknown command \"-x\""},
        {{"--verbose", "state"}, "unknown option --verbose"},
        {{"--port", "0", "state"}, "--port needs a UDP port from 1 to 65535, not \"0\""},
        {{"--port", "65536", "state"}, "--port needs a UDP port from 1 to 65535, not \"65536\""},
        {{"--port", "47632x", "state"}, "--port needs a UDP port from 1 to 65535, not \"47632x\""},
        {{"--port", "-1", "state"}, "--port needs a UDP port from 1 to 65535, not \"-1\""},
        {{"--port", "", "state"}, "--port needs a UDP port from 1 to 65535, not \"\""},
        {{"--from", "70000", "state"}, "--from needs a UDP port from 0 to 65535, not \"70000\""},
    };
    for (const auto& [args, why] : cases) {
        VyroRequest r = parse(args);
        EXPECT_EQ(r.command, VyroCommand::none) << why;
        EXPECT_EQ(r.error, why);
    }
}

TEST(VyroArgs, NotesAndPagesMustBeJson) {
    EXPECT_EQ(parse({"note", "hi"}).error,
              "note needs one JSON value; a text keeps its quotes, e.g. vyro note '\"hello\"'");
    EXPECT_NE(parse({"note", "{\"a\":}"}).error, "");
    EXPECT_EQ(parse({"note", "[1,2]"}).error, "");
    EXPECT_EQ(parse({"note", "null"}).error, "");
    EXPECT_EQ(parse({"page", "\"text\""}).error,
              "page needs one JSON object, e.g. vyro page '{\"type\":\"show\"}'");
    EXPECT_NE(parse({"page", "[{}]"}).error, "");
    EXPECT_EQ(parse({"page", " {\"type\":\"close\"} "}).error, "");
}

TEST(VyroArgs, TimeoutAndListenSeconds) {
    EXPECT_EQ(parse({"--timeout", "10", "state"}).timeoutMs, 10000);
    EXPECT_EQ(parse({"--timeout", "1.25", "state"}).timeoutMs, 1250);
    EXPECT_EQ(parse({"--timeout", ".5", "state"}).timeoutMs, 500);
    EXPECT_EQ(parse({"--timeout", "86400", "state"}).timeoutMs, 86400000);
    for (const char* bad : {"0", "0.0", "1.", "1.2345", "-1", "abc", "", "86401", "1e3", "1,5"}) {
        EXPECT_NE(parse({"--timeout", bad, "state"}).error, "") << bad;
        EXPECT_NE(parse({"listen", bad}).error, "") << bad;
    }
    EXPECT_EQ(parse({"listen"}).listenMs, 0);
    EXPECT_EQ(parse({"listen", "3"}).listenMs, 3000);
    EXPECT_EQ(parse({"listen", "0.1"}).listenMs, 100);
}

TEST(VyroArgs, DatagramsLongerThanUdpAllowsAreRefused) {
    std::string pad(65507 - 10, 'x'); // "VYRO show " is 10 bytes
    EXPECT_EQ(parse({"show", pad}).error, "");
    EXPECT_EQ(parse({"show", pad + "x"}).error, "the datagram would be longer than 65507 bytes");
}

} // namespace
