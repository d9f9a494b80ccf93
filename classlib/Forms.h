// Forms and the application in one include: TForm, TApplication (the
// global Application), TScreen (the global Screen) and the hint window.
#pragma once

#include "classlib/Application.h"
#include "classlib/Controls.h"
#include "classlib/Form.h"
#include "classlib/HintWindow.h"
#include "classlib/Screen.h"
