#include "engine/services/image/jpeg_error_trap.h"

namespace ob::image {
namespace {

[[noreturn]] void JumpBack(j_common_ptr codec) {
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(codec->err)->jump, 1);
}

void Silent(j_common_ptr /*codec*/) {}

} // namespace

jpeg_error_mgr* ArmJpegErrorTrap(JpegErrorTrap& trap) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
    manager->error_exit = JumpBack;
    manager->output_message = Silent;
    return manager;
}

} // namespace ob::image
