#include "WindowFixture.h"
#include "app/LinkLabel.h"
#include "app/Pictures.h"

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace {

// The pixels alone, in the form a pixmap keeps them (premultiplied), without the scale.
QImage Pixels(QImage AImage) {
    AImage = AImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    AImage.setDevicePixelRatio(1.0);
    return AImage;
}
QImage Pixels(const QPixmap& APixmap) { return Pixels(APixmap.toImage()); }
QImage Pixels(const QString& AFile) { return Pixels(QImage(AFile)); }

class Pictures : public WindowTest {};

// The refresh and donate pictures have drawings of twice the size that a scale of two
// takes in place of the enlarged small ones, in the icons the window uses too.
TEST_F(Pictures, AScaleOfTwoTakesTheDrawingsOfTwiceTheSize) {
    OpenWindow();
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {{"refresh", {16, 16}}, {"donate", {92, 26}}};
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.name);
        const QString one = QStringLiteral(":/images/%1.png").arg(QLatin1String(picture.name));
        const QString two = QStringLiteral(":/images/%1@2x.png").arg(QLatin1String(picture.name));
        ASSERT_EQ(QImage(one).size(), picture.size);
        ASSERT_EQ(QImage(two).size(), picture.size * 2);
        const QPixmap atTwo = TwoScaleIcon(one).pixmap(picture.size, 2.0);
        EXPECT_EQ(atTwo.devicePixelRatio(), 2.0);
        EXPECT_EQ(Pixels(atTwo), Pixels(two));
        const QPixmap atOne = TwoScaleIcon(one).pixmap(picture.size, 1.0);
        EXPECT_EQ(atOne.devicePixelRatio(), 1.0);
        EXPECT_EQ(Pixels(atOne), Pixels(one));
    }
    EXPECT_EQ(Pixels(DataModule->actRefreshAll->icon().pixmap(QSize(16, 16), 2.0)),
              Pixels(QStringLiteral(":/images/refresh@2x.png")));
    // This screen is at 100 %: the label shows the small drawing, at its size.
    const QPixmap donate = Find<TLinkLabel>("imgDonate")->pixmap();
    EXPECT_EQ(donate.devicePixelRatio(), 1.0);
    EXPECT_EQ(Pixels(donate), Pixels(QStringLiteral(":/images/donate.png")));
}

}  // namespace
