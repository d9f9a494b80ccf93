// A form built in code that places the control library's controls as the
// program's main window does: the position bar, ten equaliser sliders, the
// volume and balance knobs, the button bar and the shaped hint.
#pragma once

#include "classlib/Forms.h"
#include "controls/KavoShapeHint.h"
#include "controls/VrNavigator.h"
#include "controls/VrTrackBar.h"
#include "controls/slider.h"

namespace velko_test {

class TPackForm : public TForm {
 public:
  explicit TPackForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("PackForm");
    SetCaption("Control pack");
    SetClientSize(420, 230);
    SetShowHint(true);
    KavoShapeHint1 = new TKavoShapeHint(this);
    KavoShapeHint1->Font()->SetStyle({fsBold});
    KavoShapeHint1->Font()->SetHeight(-11);
    KavoShapeHint1->MaxWidth = -1;
    KavoShapeHint1->Shadow()->SetStyle(hssNone);

    PosSlider = new TSlider(this);
    PosSlider->SetParent(this);
    PosSlider->SetBounds(10, 10, 300, 28);
    PosSlider->SetMaxValue(200);
    PosSlider->SetIncrement(10);
    PosSlider->Hint = "Position";
    for (int i = 0; i < 10; ++i) {
      auto* eq = new TSlider(this);
      eq->SetParent(this);
      eq->SetOrientation(soVertical);
      eq->SetBounds(10 + 28 * i, 50, 26, 120);
      eq->SetMaxValue(30);
      eq->SetValue(15);
      eq->Tag = i + 1;
      Eq[i] = eq;
    }
    VolumeKnob = MakeKnob(330, 0, 100, 10);
    VolumeKnob->SetPosition(50);
    BalanceKnob = MakeKnob(370, -100, 100, 20);

    Navigator = new TVrNavigator(this);
    Navigator->SetParent(this);
    Navigator->SetBounds(10, 190, 180, 20);
    Navigator->SetVisibleButtons({btPlay, btPause, btStop, btPrev, btNext});
    Navigator->SetEnabledButtons({btPlay, btPause, btStop, btPrev, btNext});
    Navigator->Hint = "Play";
    EndLoad();
  }

  TVrTrackBar* MakeKnob(int left, int min, int max, int frequency) {
    auto* knob = new TVrTrackBar(this);
    knob->SetParent(this);
    knob->SetOrientation(voVertical);
    knob->SetBounds(left, 50, 15, 121);
    knob->SetBorderWidth(2);
    knob->SetTickColor(clWhite);
    knob->SetMinValue(min);
    knob->SetMaxValue(max);
    knob->SetFrequency(frequency);
    return knob;
  }

  TKavoShapeHint* KavoShapeHint1;
  TSlider* PosSlider;
  TSlider* Eq[10];
  TVrTrackBar* VolumeKnob;
  TVrTrackBar* BalanceKnob;
  TVrNavigator* Navigator;
};

}  // namespace velko_test
