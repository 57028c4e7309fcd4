#include "app/SelectDirectory.h"

#include "app/Desktop.h"

bool TSelectDirectory::Execute(QWidget* parent) {
    QString chosen;
    if (!FDesktop.SelectDirectory(parent, chosen)) return false;
    FDirectory = chosen;
    return true;
}
