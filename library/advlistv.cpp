#include "library/advlistv.h"

#include "classlib/AtomicFile.h"
#include "classlib/Forms.h"
#include "library/alvutil.h"
#include "platform/core/errors.h"
#include "platform/ctl/header.h"
#include "platform/ctl/listview.h"
#include "platform/user/user.h"

namespace {

constexpr char kQuote = '"';

// The class library's input/output exception for a platform error.
[[noreturn]] void RaiseWriteError(DWORD error) {
  int code = static_cast<int>(error);
  String text;
  switch (error) {
    case ERROR_PATH_NOT_FOUND: text = "Path not found"; break;
    case ERROR_ACCESS_DENIED: text = "File access denied"; break;
    case ERROR_FILE_NOT_FOUND: text = "File not found"; break;
    default:
      code = 101;
      text = "Disk full";
      break;
  }
  throw EInOutError(text, code);
}

// A field as the list file holds it: inside quote marks when it holds the
// delimiter and no quote mark (the reader takes such a field whole).
void AppendField(String& line, const String& field, char d) {
  if (field.find(d) != String::npos && field.find(kQuote) == String::npos) {
    line += kQuote;
    line += field;
    line += kQuote;
  } else {
    line += field;
  }
}

// Splits text into lines at LF; a CR before the LF belongs to the line end.
// A last line without a line end counts; nothing follows a final LF.
std::vector<String> SplitLines(const String& text) {
  std::vector<String> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool last = end == String::npos;
    if (last) end = text.size();
    std::size_t stop = end;
    if (!last && stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  return lines;
}

// The quoted field at the start of Rest (which begins with a quote mark):
// the text up to the next quote mark, removed with both marks. Without a
// closing mark the field is empty and only the opening mark goes.
String TakeQuoted(String& rest) {
  rest.erase(0, 1);
  const std::size_t close = rest.find(kQuote);
  if (close == String::npos) return String();
  String field = rest.substr(0, close);
  rest.erase(0, close + 1);
  return field;
}

// The last field of a line: one leading and then one trailing quote mark
// dropped.
void TrimLastField(String& rest) {
  if (rest.empty()) return;
  if (rest.front() == kQuote) rest.erase(0, 1);
  if (!rest.empty() && rest.back() == kQuote) rest.pop_back();
}

}  // namespace

TAdvListView::TAdvListView(TComponent* AOwner) : TListView(AOwner), header_font_(std::make_unique<TFont>()) {
  header_font_->OnChange = [this](TObject* Sender) { HeaderFontChanged(Sender); };
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner);
      form != nullptr && !ComponentState().Contains(csDesigning)) {
    if (form->OnResize) {
      previous_form_resize_ = form->OnResize;
      had_previous_form_resize_ = true;
    }
    form->OnResize = [this](TObject* Sender) { FormResized(Sender); };
    last_form_width_ = form->Width();
    last_form_height_ = form->Height();
  }
}

TAdvListView::~TAdvListView() {
  // The owner form outlives its controls' destructors only while it is
  // being destroyed itself; a control freed alone hands the form its old
  // handler back.
  if (auto* form = dynamic_cast<TCustomForm*>(Owner());
      form != nullptr && !form->ComponentState().Contains(csDestroying)) {
    form->OnResize = had_previous_form_resize_ ? previous_form_resize_ : TNotifyEvent();
  }
}

void TAdvListView::Loaded() {
  TListView::Loaded();
  SetHeight(Height() + 1);
  SetHeight(Height() - 1);
  SetViewStyle(vsReport);
}

void TAdvListView::CreateWnd() {
  TListView::CreateWnd();
  ApplyHeaderFont();
  // The list keeps no tooltip window of its own.
  if (HWND tips = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETTOOLTIPS, 0, 0))) {
    SendMessage(Handle(), LVM_SETTOOLTIPS, 0, 0);
    DestroyWindow(tips);
  }
}

void TAdvListView::HeaderFontChanged(TObject*) { ApplyHeaderFont(); }

void TAdvListView::ApplyHeaderFont() {
  if (!HandleAllocated()) return;
  if (HWND header = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETHEADER, 0, 0))) {
    SendMessage(header, WM_SETFONT, reinterpret_cast<WPARAM>(header_font_->Handle()), TRUE);
  }
}

void TAdvListView::SetItemHeight(int Value) {
  if (Value < 1) return;
  item_height_ = Value;
  if (HandleAllocated()) {
    SetHeight(Height() + 1);
    SetHeight(Height() - 1);
  }
}

// --- List files ---

String TAdvListView::SaveToText() const {
  const int columns = Columns()->Count();
  const int count = Items()->Count();
  if (columns == 0 || count == 0) return String();
  const char d = Delimiter != 0 ? Delimiter : ',';
  String text;
  if (SaveHeader) {
    String line;
    AppendField(line, Columns()->Items(0)->Caption(), d);
    for (int i = 1; i < columns; ++i) {
      line += d;
      AppendField(line, Columns()->Items(i)->Caption(), d);
    }
    text += line;
    text += "\r\n";
  }
  for (int i = 0; i < count; ++i) {
    const TListItem* item = Items()->Item(i);
    AppendField(text, item->Caption(), d);
    const TStrings* sub = item->SubItems();
    const int n = std::min(columns, sub->Count());
    for (int j = 0; j < n; ++j) {
      text += d;
      AppendField(text, sub->Strings(j), d);
    }
    text += "\r\n";
  }
  return text;
}

void TAdvListView::SaveToFile(const String& FileName) {
  if (Columns()->Count() == 0 || Items()->Count() == 0) return;
  if (!classlib::WriteFileAtomically(FileName, SaveToText())) RaiseWriteError(GetLastError());
}

void TAdvListView::LoadFromFileEx(const String& FileName, bool NoHeader) {
  String text;
  if (!classlib::ReadWholeFile(FileName, text)) throw EAdvListViewError("File cannot be opened");
  LoadFromText(text, NoHeader);
}

void TAdvListView::LoadFromText(const String& Text, bool NoHeader) {
  const std::vector<String> lines = SplitLines(Text);
  if (Delimiter == 0) {
    const String line1 = lines.empty() ? String() : lines[0];
    const String line2 = lines.size() < 2 ? String() : lines[1];
    int best = 0;
    for (char candidate : DelimiterCandidates) {
      const int n1 = CountSingle(candidate, line1);
      const int n2 = CountSingle(candidate, line2);
      if (n1 == n2 && n1 > best) {
        Delimiter = candidate;
        best = n1;
      }
    }
  }
  const char d = Delimiter != 0 ? Delimiter : ',';

  Items()->BeginUpdate();
  try {
    std::size_t first = 0;
    if (LoadHeader && !NoHeader) {
      ClearAll();
      if (!lines.empty()) ReadHeaderLine(lines[0], d);
      first = 1;
    }
    for (std::size_t i = first; i < lines.size(); ++i) ReadItemLine(lines[i], d);
  } catch (...) {
    Items()->EndUpdate();
    throw;
  }
  Items()->EndUpdate();
}

void TAdvListView::ReadHeaderLine(String Rest, char D) {
  int k = 0;
  int added = 0;
  // The column for field k, added when missing (as long as this line may
  // still add columns); null when it may not.
  auto column = [&](int index) -> TListColumn* {
    if (index < Columns()->Count()) return Columns()->Items(index);
    if (added >= MaxColumnsAddedPerLine) return nullptr;
    ++added;
    return Columns()->Add();
  };
  std::size_t pos;
  while ((pos = Rest.find(D)) != String::npos) {
    TListColumn* col = column(k);
    String caption;
    if (!Rest.empty() && Rest.front() == kQuote) {
      caption = TakeQuoted(Rest);
    } else {
      caption = Rest.substr(0, pos);
    }
    if (col != nullptr) col->SetCaption(caption);
    pos = Rest.find(D);
    if (pos != String::npos) Rest.erase(0, pos + 1);
    ++k;
  }
  if (!Rest.empty()) {
    TrimLastField(Rest);
    if (!Rest.empty()) {
      if (TListColumn* col = column(k)) col->SetCaption(Rest);
    }
  }
}

void TAdvListView::ReadItemLine(String Rest, char D) {
  TListItem* item = Items()->Add();
  item->SetImageIndex(-1);
  TStrings* sub = item->SubItems();
  int k = 0;
  int added = 0;
  std::size_t pos;
  while ((pos = Rest.find(D)) != String::npos) {
    String field;
    if (Rest.front() == kQuote) {
      field = TakeQuoted(Rest);
    } else {
      field = Rest.substr(0, pos);
      if (k >= 1 && Columns()->Count() < k + 2 && added < MaxColumnsAddedPerLine) {
        Columns()->Add();
        ++added;
      }
    }
    if (k == 0) {
      item->SetCaption(field);
    } else {
      sub->Add(field);
    }
    pos = Rest.find(D);
    if (pos != String::npos) Rest.erase(0, pos + 1);
    ++k;
  }
  if (!Rest.empty()) {
    TrimLastField(Rest);
    if (Rest.empty()) {
      if (k >= 1) sub->Add(String());
    } else if (k >= 1) {
      sub->Add(Rest);
    } else {
      item->SetCaption(Rest);
    }
  }
}

void TAdvListView::ClearAll() {
  Items()->Clear();
  for (int i = 0; i < Columns()->Count(); ++i) Columns()->Items(i)->SetCaption(String());
}

void TAdvListView::FormResized(TObject* Sender) {
  if (ComponentState().Contains(csDesigning)) return;
  if (auto* form = dynamic_cast<TCustomForm*>(Sender); form != nullptr && SizeWithForm) {
    const int dw = form->Width() - last_form_width_;
    const int dh = form->Height() - last_form_height_;
    if (Width() + dw > 0 && Height() + dh > 0) {
      SetBounds(Left(), Top(), Width() + dw, Height() + dh);
      last_form_width_ = form->Width();
      last_form_height_ = form->Height();
    }
  }
  if (had_previous_form_resize_ && previous_form_resize_) previous_form_resize_(Sender);
}
