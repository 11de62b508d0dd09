#include "platform/Shell.h"
#include "transfer/SupportLinks.h"

#include <gtest/gtest.h>

namespace {

TEST(SupportLinks, MailLinkIsExactAndUnencoded)
{
    EXPECT_EQ(SupportLinks::supportMailLink(),
              u"mailto:support@kanro.example?subject=Kanroへの問い合わせ&cc=&bcc=&"_qs);
    EXPECT_TRUE(SupportLinks::supportMailLink().endsWith(u"bcc=&"_qs));
    EXPECT_FALSE(SupportLinks::supportMailLink().contains(u"body"_qs));
    EXPECT_EQ(SupportLinks::productWebHost(), u"kanro.example"_qs);
}

TEST(SupportLinks, ButtonsHandTheirLinksToTheDesktop)
{
    LinkRecorder recorder;
    SupportLinks::openSupportMail();
    SupportLinks::openProductWebPage();
    EXPECT_EQ(recorder.links(),
              (QStringList{u"mailto:support@kanro.example?subject=Kanroへの問い合わせ&cc=&bcc=&"_qs,
                           u"https://kanro.example/"_qs}));
}

} // namespace
