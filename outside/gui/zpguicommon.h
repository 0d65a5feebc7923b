// libzpguicommon: the suite's shared GUI library, all of it.
#pragma once

#include "date_picker.h"
#include "edit_filters.h"
#include "gui_message.h"
#include "look.h"
#include "mdi_child.h"
#include "modal.h"
#include "money.h"
#include "printers.h"
#include "run_path.h"
#include "secure_keyboard.h"
#include "wait_box.h"
