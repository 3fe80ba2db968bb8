#include <gtest/gtest.h>

#include <cstring>

#include "app/myglobs.h"
#include "support/testutil.h"

using veltest::TempDir;
using veltest::WriteFile;

namespace {
std::string Param(char letter) {
    char v[CMDTOKENLEN];
    myGlobs.GetCmdParam(letter, v);
    return v;
}
}  // namespace

TEST(Settings, DefaultsWithoutFileAndFirstKeyWins) {
    TempDir dir;
    myGlobs.Reinitialise();
    EXPECT_FLOAT_EQ(myGlobs.magassag, 3.0f);
    EXPECT_FLOAT_EQ(myGlobs.maxAscent, 0.1f);
    EXPECT_EQ(myGlobs.firstEdition, 1);
    EXPECT_STREQ(myGlobs.title, "Velmarine!");
    EXPECT_STREQ(myGlobs.xListExtension, ".xli");
    EXPECT_NE(veltest::ReadFile("startlog.txt").find("Could not open parameter file: parameters.txt"),
              std::string::npos);

    WriteFile("parameters.txt", "magassag 5.5\nmagassag 9\nshowFramerate TRUE\nrenderWireframe true\n"
                                "forceSWRender 1\nmaxAscent 0.5\ngroundTextures 100\n");
    myGlobs.Reinitialise();
    EXPECT_FLOAT_EQ(myGlobs.magassag, 5.5f);
    EXPECT_EQ(myGlobs.showFramerate, 1);
    EXPECT_EQ(myGlobs.renderWireframe, 0);  // only "TRUE" is true
    EXPECT_EQ(myGlobs.forceSWRender, 0);
    EXPECT_FLOAT_EQ(myGlobs.maxAscent, 0.1f);
    EXPECT_EQ(myGlobs.groundTextures, 64);

    WriteFile("parameters.txt", "maxAscent 0.001 groundTextures -3 tavolsag");
    myGlobs.Reinitialise();
    EXPECT_FLOAT_EQ(myGlobs.maxAscent, 0.01f);
    EXPECT_EQ(myGlobs.groundTextures, 1);
    EXPECT_FLOAT_EQ(myGlobs.tavolsag, 4.2f);  // key without value keeps the default
}

TEST(CommandLine, TokensLettersAndCaps) {
    TempDir dir;
    myGlobs.Reinitialise();
    myGlobs.ReadCommandLine("velmarine -x1024 -y768  -c32 -mNO");
    EXPECT_EQ(myGlobs.cmdTokenCount, 4);
    EXPECT_EQ(Param('m'), "NO");
    EXPECT_EQ(Param('x'), "1024");
    EXPECT_EQ(Param('l'), "NOCMDPARAM");

    myGlobs.ReadCommandLine("-lfirst -lsecond");
    EXPECT_EQ(Param('l'), "first");

    std::string many;
    for (int i = 0; i < 40; ++i) many += "-a" + std::to_string(i) + " ";
    myGlobs.ReadCommandLine(many.c_str());
    EXPECT_EQ(myGlobs.cmdTokenCount, 32);

    std::string longTok = "-l" + std::string(100, 'q');
    myGlobs.ReadCommandLine(longTok.c_str());
    EXPECT_EQ(Param('l').size(), 30u);  // 31 characters in the token, less the letter
}

TEST(CommandLine, OptionsOverrideTheFileAndClampG) {
    TempDir dir;
    WriteFile("parameters.txt", "showFramerate TRUE\ndrawControlInfo TRUE\n");
    myGlobs.Reinitialise();
    EXPECT_EQ(myGlobs.showFramerate, 1);
    myGlobs.ReadCommandLine("-fFALSE -iFALSE -wTRUE -g0");
    EXPECT_EQ(myGlobs.showFramerate, 0);
    EXPECT_EQ(myGlobs.drawControlInfo, 0);
    EXPECT_EQ(myGlobs.renderWireframe, 1);
    EXPECT_EQ(myGlobs.groundTextures, 1);
    myGlobs.ReadCommandLine("-g100");
    EXPECT_EQ(myGlobs.groundTextures, 64);
    myGlobs.ReadCommandLine("-gabc");
    EXPECT_EQ(myGlobs.groundTextures, 1);
    myGlobs.ReadCommandLine("-fmaybe");
    EXPECT_EQ(myGlobs.showFramerate, 0);
}
