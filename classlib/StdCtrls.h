// The class library's standard controls in one include: TLabel, TButton,
// TCheckBox, TRadioButton, TGroupBox, TEdit, TMemo, TListBox, TComboBox.
#pragma once

#include "classlib/Button.h"
#include "classlib/ComboBox.h"
#include "classlib/Edit.h"
#include "classlib/GroupBox.h"
#include "classlib/Label.h"
#include "classlib/ListBox.h"
