#include "network_ui/NutsStatistics.h"

#include <cmath>

#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "network_ui/FormControls.h"
#include "network_ui/nuts.h"

namespace {

bool IsDownload(TGnutellaFileTransfer* t) {
  return dynamic_cast<TGnutellaDownloadFile*>(t) != nullptr || dynamic_cast<TGnutellaPopFile*>(t) != nullptr;
}

}  // namespace

void TNutsForm::MakeStatistics() {
  static const char* const kGroups[6] = {" Messages ", " Ping ", " Pong ", " Query ", " Query Hit ", " Push "};
  static const char* const kColumns[5] = {"Received", "Dropped", "Send", "Routed", "Broadcasted"};
  static const bool kHas[6][5] = {{true, true, true, true, true},  {true, true, true, false, true},
                                  {true, true, true, true, false}, {true, true, true, false, true},
                                  {true, true, true, true, false}, {true, true, true, true, false}};
  constexpr int kGraphLeft = (kNutsResultWidth - 739) / 2;
  for (int g = 0; g < 6; ++g) {
    auto* box =
        MakeControl<TGroupBox>(this, TabSheet5, ("GroupBox" + IntToStr(g + 1)).c_str(), kGraphLeft + g * 124, 6, 119, 100);
    box->SetCaption(kGroups[g]);
    int row = 0;
    for (int c = 0; c < 5; ++c) {
      if (!kHas[g][c]) continue;
      MakeLabel(this, box, "", 6, 16 + row * 16, String(kColumns[c]) + ":");
      TLabel* value = MakeLabel(this, box, "", 80, 16 + row * 16, "0");
      CounterLabels[static_cast<std::size_t>(g)][static_cast<std::size_t>(c)] = value;
      ++row;
    }
  }
  // The traffic labels in the graph's colours, on a black strip joined to
  // the graph.
  TrafficPanel = MakeControl<TPanel>(this, TabSheet5, "TrafficPanel", kGraphLeft, 114, 739, 38);
  TrafficPanel->SetBevelOuter(bvNone);
  TrafficPanel->SetColor(clBlack);
  TrafficPanel->SetCaption("");
  auto label = [this](const char* name, int left, int top, TColor color, const char* caption) {
    TLabel* l = MakeLabel(this, TrafficPanel, name, left, top, caption);
    l->Font()->SetColor(color);
    return l;
  };
  GnutellaDownLabel = label("GnutellaDownLabel", 8, 4, clRed, "Gnutella download traffic:");
  FileDownLabel = label("FileDownLabel", 260, 4, clBlue, "File transfer download traffic:");
  GnutellaUpLabel = label("GnutellaUpLabel", 8, 20, clGreen, "Gnutella upload traffic:");
  FileUpLabel = label("FileUpLabel", 260, 20, clBlue, "File transfer upload traffic:");
  Image1 = MakeControl<TImage>(this, TabSheet5, "Image1", kGraphLeft, 152, 739, 161);
  Image1->Canvas()->Brush()->SetColor(clBlack);
  Image1->Canvas()->FillRect(Rect(0, 0, 739, 161));
}

double TNutsForm::GetFileDownSpeed() {
  double sum = 0;
  for (TGnutellaFileTransfer* t : transfers_) {
    if (IsDownload(t)) sum += t->CurrentSpeed();
  }
  return sum;
}

double TNutsForm::GetFileUpSpeed() {
  double sum = 0;
  for (TGnutellaFileTransfer* t : transfers_) {
    if (!IsDownload(t)) sum += t->CurrentSpeed();
  }
  return sum;
}

double TNutsForm::GetGnutellaDownSpeed() { return Gnutella1->CurrentDownSpeed(); }
double TNutsForm::GetGnutellaUpSpeed() { return Gnutella1->CurrentUpSpeed(); }

void TNutsForm::Timer1Timer(TObject*) {
  for (int i = 0; i < HostList->Items()->Count(); ++i) {
    TListItem* row = HostList->Items()->Item(i);
    try {
      if (SubItem(row, 0) != "Connected") {
        SetSubItem(row, 4, IntToStr(StrToInt(SubItem(row, 4)) + 1));
      } else {
        SetSubItem(row, 4, "");
      }
    } catch (const Exception&) {
    }
  }
  const TGnutella& g = *Gnutella1;
  const DWORD values[6][5] = {
      {g.PingsReceived + g.PongsReceived + g.PushesReceived + g.QueriesReceived + g.QueryHitsReceived,
       g.PingsDropped + g.PongsDropped + g.PushesDropped + g.QueriesDropped + g.QueryHitsDropped,
       g.PingsSent + g.PongsSent + g.PushesSent + g.QueriesSent + g.QueryHitsSent,
       g.PongsRouted + g.PushesRouted + g.QueryHitsRouted, g.PingsForwarded + g.QueriesForwarded},
      {g.PingsReceived, g.PingsDropped, g.PingsSent, 0, g.PingsForwarded},
      {g.PongsReceived, g.PongsDropped, g.PongsSent, g.PongsRouted, 0},
      {g.QueriesReceived, g.QueriesDropped, g.QueriesSent, 0, g.QueriesForwarded},
      {g.QueryHitsReceived, g.QueryHitsDropped, g.QueryHitsSent, g.QueryHitsRouted, 0},
      {g.PushesReceived, g.PushesDropped, g.PushesSent, g.PushesRouted, 0}};
  for (std::size_t r = 0; r < 6; ++r) {
    for (std::size_t c = 0; c < 5; ++c) {
      if (CounterLabels[r][c] != nullptr) CounterLabels[r][c]->SetCaption(IntToStr(values[r][c]));
    }
  }
  const auto at = static_cast<std::size_t>(RingIndex);
  Rings[1][at] = GetFileDownSpeed();
  Rings[3][at] = GetFileUpSpeed();
  Rings[0][at] = GetGnutellaDownSpeed();
  Rings[2][at] = GetGnutellaUpSpeed();
  if (Rings[0][at] + Rings[1][at] > GraphMax) GraphMax = Rings[0][at] + Rings[1][at];
  if (Rings[2][at] + Rings[3][at] > GraphMax) GraphMax = Rings[2][at] + Rings[3][at];
  GnutellaDownLabel->SetCaption("Gnutella download traffic: " + FormatFloat("0.00", Rings[0][at]) + " B/S");
  GnutellaUpLabel->SetCaption("Gnutella upload traffic: " + FormatFloat("0.00", Rings[2][at]) + " B/S");
  FileDownLabel->SetCaption("File download traffic: " + FormatFloat("0.00", Rings[1][at]) + " B/S");
  FileUpLabel->SetCaption("File upload traffic: " + FormatFloat("0.00", Rings[3][at]) + " B/S");
  RingIndex = (RingIndex + 1) % kGraphRingSize;
  DrawGraph();
}

void TNutsForm::DrawGraph() {
  TCanvas* canvas = Image1->Canvas();
  const int width = Image1->Width();
  const int height = Image1->Height();
  int j = RingIndex - 1;
  auto bar = [&](int x, TColor color, int from, int to) {
    if (from == to) return;
    canvas->Pen()->SetColor(color);
    canvas->MoveTo(x, from);
    canvas->LineTo(x, to);
  };
  auto scaled = [&](int ring, int index) {
    return static_cast<int>(std::nearbyint(Rings[static_cast<std::size_t>(ring)][static_cast<std::size_t>(index)] /
                                           GraphMax * 100.0));
  };
  // Every column is cleared first (one fill for the whole image).
  canvas->Brush()->SetColor(clBlack);
  canvas->FillRect(Rect(0, 0, width, height));
  for (int x = 0; x < width; ++x) {
    if (j < 0) j = kGraphRingSize - 1;
    const int gd = scaled(0, j), fd = scaled(1, j), gu = scaled(2, j), fu = scaled(3, j);
    bar(x, static_cast<TColor>(0x0000FF), height - gd, height);
    bar(x, static_cast<TColor>(0xFF0000), height - gd, height - gd - fd);
    bar(x, static_cast<TColor>(0x008000), height - gu, height);
    bar(x, static_cast<TColor>(0xFFFF00), height - gu, height - gu - fu);
    --j;
  }
}

void TNutsForm::Button6Click(TObject*) {
  GnutellaUpLabel->SetCaption(FormatFloat("0.00", GetFileDownSpeed()));
}
