#include "forms/BrowseFolder.h"

namespace tesselar {

QString BrowseFolder::PickFolder() {
    pickedFolder_ = dialog_.ChooseFolder(QStringLiteral("Select Directory"));
    return pickedFolder_;
}

}  // namespace tesselar
