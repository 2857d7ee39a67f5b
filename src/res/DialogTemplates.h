// The program's dialog templates as tables, by their resource ids.
#pragma once

#include "platform/DialogTemplate.h"

// The template of dialog id; null for an unknown id.
const DialogTemplate* FindDialogTemplate(int id);
