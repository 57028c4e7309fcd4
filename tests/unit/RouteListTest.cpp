#include "components/RouteList.h"

#include <gtest/gtest.h>

namespace {

TEST(RouteList, ReadsRoutesWithMiddlewareAndNoticesBefore) {
    const TRouteList list = ReadRouteList(
        "Deprecated: something in a package\n"
        R"([{"domain":null,"method":"GET|HEAD","uri":"\/","name":"home","action":"Closure","middleware":["web"],"path":"routes/web.php:16"},)"
        R"({"domain":"api.test","method":"POST","uri":"api\/orders","name":null,"action":"App\\Http\\Controllers\\OrderController@store","middleware":["api","auth:sanctum"]}])",
        0);
    EXPECT_FALSE(list.Failed);
    EXPECT_EQ(list.Message, "");
    ASSERT_EQ(list.Routes.size(), 2u);
    EXPECT_EQ(list.Routes[0], (TRouteRow{"", "GET|HEAD", "/", "home", "Closure", "web", "routes/web.php:16"}));
    EXPECT_EQ(list.Routes[1], (TRouteRow{"api.test", "POST", "api/orders", "",
                                         "App\\Http\\Controllers\\OrderController@store", "api, auth:sanctum", ""}));
}

TEST(RouteList, EmptyFailedCutAndWrongShapedOutputGiveAMessage) {
    struct TCase {
        const char* Output;
        int Status;
        bool Failed;
        const char* MessageHas;
        std::size_t Routes;
    };
    const TCase cases[] = {
        {"\n  Your application doesn't have any routes.  \n", 0, false, "Your application doesn't have any routes.", 0},
        {"In Router.php line 5:\n  Boom\n", 1, true, "status 1.\nIn Router.php line 5:\n  Boom", 0},
        {R"([{"method":"GET","uri":"a"},{"method":"GE)", 0, true, "not valid JSON", 0},
        {R"({"method":"GET"})", 0, true, "not a list of routes", 0},
        {R"([{"method":"GET","uri":"a"}, 3, "x", null])", 0, false, "3 entries", 1},
        {R"([{"method":["GET","HEAD"],"uri":5,"middleware":"web"}])", 0, false, "", 1},
        {"", 0, true, "printed nothing", 0},
        {"Could not open input file: artisan\n", 0, true, "not JSON", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Output);
        const TRouteList list = ReadRouteList(c.Output, c.Status);
        EXPECT_EQ(list.Failed, c.Failed);
        EXPECT_NE(list.Message.find(c.MessageHas), std::string::npos) << list.Message;
        EXPECT_EQ(list.Routes.size(), c.Routes);
    }
    const TRouteList odd = ReadRouteList(R"([{"method":["GET","HEAD"],"uri":5,"middleware":"web"}])", 0);
    EXPECT_EQ(odd.Routes[0], (TRouteRow{"", "GET, HEAD", "5", "", "", "web", ""}));
}

TEST(RouteList, AHundredThousandRoutes) {
    std::string output = "[";
    for (int i = 0; i < 100000; ++i)
        output += std::string(i ? "," : "") + R"({"method":"GET","uri":"r)" + std::to_string(i) + R"(","name":"n","middleware":["web"]})";
    output += "]";
    const TRouteList list = ReadRouteList(output, 0);
    ASSERT_EQ(list.Routes.size(), 100000u);
    EXPECT_EQ(list.Routes.back().Uri, "r99999");
}

}  // namespace
