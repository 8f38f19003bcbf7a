#include "profiles/ProfileSaves.h"

namespace zk::profiles {

settings::TransferSaves BindTransferSaves(MouseProfileStore* mouse, KeyboardProfileStore* keyboard,
                                          MousepadProfileStore* mousepad,
                                          std::function<void(std::string_view)> showMessage) {
    settings::TransferSaves saves;
    if (mouse) {
        saves.saveMouseDeviceProfile = [mouse] { mouse->SaveDeviceProfile(); };
        saves.saveMouseLightProfile = [mouse] { mouse->SaveLightProfile(); };
    }
    if (keyboard) {
        saves.saveKeyboardDeviceProfile = [keyboard] { keyboard->SaveDeviceProfile(); };
        saves.saveKeyboardKeyProfile = [keyboard] { keyboard->SaveKeyProfile(); };
    }
    if (mousepad)
        saves.saveMousepadLightProfile = [mousepad] { mousepad->SaveLightProfile(); };
    saves.showMessage = std::move(showMessage);
    return saves;
}

} // namespace zk::profiles
