#include "components/PanelLine.h"

TPanelLine::TPanelLine(QWidget* AOwner) : QFrame(AOwner) {
    setFrameShape(QFrame::HLine);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(1);
    setMidLineWidth(0);
    resize(185, 2);
}
