// The web host serving the web root that ships with the program.
#include "central_fixture.h"

namespace velorin::central::test {
namespace {

class WebHost : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        CentralConfig config;
        config.webRoot = VELORIN_WEBROOT;
        StartServer(config);
        ASSERT_TRUE(server_->WebPort());
    }

    std::string Get(const std::string& path) {
        return HttpGet(address_, *server_->WebPort(), path);
    }
};

TEST_F(WebHost, ServesTheUpdateFilesAndTheWordList) {
    std::string ini = Get("/patchdata/update.ini");
    EXPECT_EQ(ini.rfind("HTTP/1.1 200", 0), 0u) << ini;
    EXPECT_EQ(HttpBody(ini), "[MAIN]\nVERSION=1\nBADWORD=2\nPATCHER_VERSION=1\n");
    std::string words = HttpBody(Get("/patchdata/badword.db"));
    EXPECT_EQ(words.substr(0, 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(Get("/patchdata/update.exe").rfind("HTTP/1.1 200", 0), 0u);
}

TEST_F(WebHost, PagesAreHtmlWhateverTheirQuery) {
    for (const char* page : {"/loginProc.php?userid=demo&userpw=demo1234", "/logout.php",
                             "/help/menual1.php", "/help/menual7.php", "/adv/adv.html",
                             "/perboard/comm_list.php?ruid=kim", "/perboard_app.php"}) {
        std::string answer = Get(page);
        EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << page;
        EXPECT_NE(answer.find("Content-Type: text/html"), std::string::npos) << page;
        EXPECT_NE(HttpBody(answer).find("<html lang=\"ko\">"), std::string::npos) << page;
    }
    EXPECT_EQ(Get("/missing.php").rfind("HTTP/1.1 404", 0), 0u);
    // Nothing outside the web root, the member database least of all.
    EXPECT_EQ(Get("/../central.db").find("SQLite"), std::string::npos);
    EXPECT_EQ(Get("/patchdata/../../velorin-central").rfind("HTTP/1.1 200", 0), std::string::npos);
}

}  // namespace
}  // namespace velorin::central::test
