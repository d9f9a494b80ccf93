#include "skins/SkinSource.h"

#include <algorithm>

#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/StringRoutines.h"
#include "skins/SkinUtils.h"

void (*TscSkinSource::EngineSkinChanged)(TscSkinEngine*) = nullptr;

namespace {

const char* const kTopSections[] = {"Form",  "PopupMenu",   "Button",     "ProgressBar",
                                    "Panel", "CheckBox",    "RadioButton", "PageControl"};

// Entries of a section as (key, value) pairs, in order.
std::vector<std::pair<String, String>> Entries(TscCustomIniFile* Ini, const String& Section) {
  TStringList values;
  Ini->ReadSectionValues(Section, &values);
  std::vector<std::pair<String, String>> out;
  for (int i = 0; i < values.Count(); ++i) {
    const String& e = values[i];
    size_t eq = e.find('=');
    if (eq == String::npos) continue;
    out.emplace_back(e.substr(0, eq), e.substr(eq + 1));
  }
  return out;
}

void CheckName(const String& Name) {
  if (!IsSafeSkinItemName(Name)) throw EFOpenError("Invalid skin item name \"" + Name + "\"");
}

}  // namespace

bool IsSafeSkinItemName(const String& Name) {
  return Name.find('\\') == String::npos && Name.find('/') == String::npos &&
         Name.find("..") == String::npos && Name.find(':') == String::npos;
}

// What one load makes, kept apart until the whole skin has been read.
struct TscSkinSource::Parts {
  std::vector<TscSound*> sounds;
  std::vector<TqzBmp*> images;
  std::vector<TscSkinObject*> objects;
  ~Parts() {
    for (auto* s : sounds) TscSound::Release(s);
    for (auto* i : images) i->Release();
    for (auto* o : objects) delete o;
  }
};

TscSkinSource::TscSkinSource(TComponent* AOwner) : TComponent(AOwner) {}

TscSkinSource::~TscSkinSource() { ClearAll(); }

void TscSkinSource::ClearAll() {
  for (auto* s : Sounds) TscSound::Release(s);
  Sounds.clear();
  for (auto* i : Images) i->Release();
  Images.clear();
  for (auto* o : Objects) delete o;
  Objects.clear();
}

void TscSkinSource::Assign(TPersistent* ASource) {
  auto* o = dynamic_cast<TscSkinSource*>(ASource);
  if (!o) {
    TComponent::Assign(ASource);
    return;
  }
  if (o == this) return;
  ClearAll();
  for (auto* obj : o->Objects) {
    auto* c = new TscSkinObject();
    c->Assign(obj);
    AddObject(c);
  }
  for (auto* s : o->Sounds) Sounds.push_back(TscSound::AddRef(s));
  for (auto* i : o->Images) Images.push_back(i->AddRef());
  SkinName = o->SkinName;
  SkinVersion = o->SkinVersion;
  Author = o->Author;
  AuthorEmail = o->AuthorEmail;
  AuthorURL = o->AuthorURL;
  Sizeable = o->Sizeable;
  Loaded = o->Loaded;
}

TscSkinSource* TscSkinSource::Clone() {
  auto* c = new TscSkinSource(Owner());
  c->Assign(this);
  return c;
}

void TscSkinSource::SetSkinEngine(TscSkinEngine* Engine) {
  SkinEngine = Engine;
  for (auto* o : Objects) o->SetEngine(Engine);
}

void TscSkinSource::Changed() {
  Loaded = true;
  if (SkinEngine && EngineSkinChanged) EngineSkinChanged(SkinEngine);
  for (auto* o : Objects) {
    o->SetSource(this);
    o->SetEngine(SkinEngine);
  }
}

void TscSkinSource::AddObject(TscSkinObject* Obj) {
  if (!Obj) return;
  Objects.push_back(Obj);
  Obj->SetSource(this);
  Obj->SetEngine(SkinEngine);
}

TscSkinObject* TscSkinSource::FindObject(uint8_t Kind) const {
  for (auto* o : Objects)
    if (o->Kind == Kind) return o;
  return nullptr;
}

TscSkinObject* TscSkinSource::MenuBarObject() const {
  auto* f = FormObject();
  return f ? f->FindChild(skMenuBar) : nullptr;
}

TscSkinObject* TscSkinSource::ClientObject() const {
  auto* f = FormObject();
  return f ? f->FindChild(skClient) : nullptr;
}

TscSkinObject* TscSkinSource::MenuBarItemObject() const {
  auto* f = FormObject();
  return f ? f->FindChild(skMenuBarItem) : nullptr;
}

TscSound* TscSkinSource::FindSound(const String& Name) const {
  for (auto* s : Sounds)
    if (s && SameText(s->Name, Name)) return s;
  return nullptr;
}

void TscSkinSource::ReadGeneral(TscCustomIniFile* Ini) {
  SkinName = Ini->ReadString("General", "SkinName", "");
  SkinVersion = Ini->ReadString("General", "SkinVersion", "");
  Author = Ini->ReadString("General", "Author", "");
  AuthorEmail = Ini->ReadString("General", "AuthorEmail", "");
  AuthorURL = Ini->ReadString("General", "AuthorURL", "");
  Sizeable = LowerCase(Ini->ReadString("General", "Sizeable", "true")) == "true";
}

void TscSkinSource::ReadObjects(TscCustomIniFile* Ini, Parts& P) {
  for (const char* section : kTopSections) {
    if (!Ini->SectionExists(section)) continue;
    auto* o = new TscSkinObject();
    P.objects.push_back(o);
    ReadObject(P.images, o, section, Ini);
  }
}

void TscSkinSource::Take(Parts& P) {
  for (auto* s : P.sounds) Sounds.push_back(s);
  for (auto* i : P.images) Images.push_back(i);
  for (auto* o : P.objects) AddObject(o);
  P.sounds.clear();
  P.images.clear();
  P.objects.clear();
}

void TscSkinSource::LoadFromFolder(const String& Folder) {
  if (Folder.empty() || !DirectoryExists(Folder)) return;
  std::vector<String> configs;
  TSearchRec f;
  if (FindFirst(Folder + "*.qze", faAnyFile, f) == 0) {
    do {
      if (!(f.Attr & faDirectory)) configs.push_back(f.Name);
    } while (FindNext(f) == 0);
    FindClose(f);
  }
  if (configs.empty()) return;
  std::sort(configs.begin(), configs.end(),
            [](const String& a, const String& b) { return LowerCase(a) < LowerCase(b); });
  TscMemIniFile ini(Folder + configs.front());
  Parts parts;
  for (auto& [name, file] : Entries(&ini, "Sounds")) {
    CheckName(file);
    auto* w = new TscWave();
    parts.sounds.push_back(w);
    w->Name = name;
    w->LoadFromFile(Folder + file);
  }
  for (auto& [name, file] : Entries(&ini, "Images")) {
    CheckName(file);
    TqzBmp* b = TqzBmp::CreateFromFile(Folder + file);
    parts.images.push_back(b);
    b->Name = name;
  }
  ReadObjects(&ini, parts);
  ReadGeneral(&ini);
  Take(parts);
  Loaded = true;
  Changed();
}

void TscSkinSource::LoadFromFile(const String& FileName) {
  if (FileName.empty()) return;
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TscSkinSource::LoadFromStream(TStream* Stream) {
  if (ReadStreamString(Stream) == kSkinPackageHeader) {
    TscStringsIniFile ini;
    ini.LoadFromStream(Stream);
    Parts parts;
    for (auto& [name, file] : Entries(&ini, "Sounds")) {
      auto* w = new TscWave();
      parts.sounds.push_back(w);
      w->Name = name;
      w->LoadFromStream(Stream);
    }
    for (auto& [name, file] : Entries(&ini, "Images")) {
      TqzBmp* b = TqzBmp::CreateFromStream(Stream);
      parts.images.push_back(b);
      b->Name = name;
    }
    ReadObjects(&ini, parts);
    ReadGeneral(&ini);
    Take(parts);
  }
  Loaded = true;
  Changed();
}

void TscSkinSource::WriteConfig(TscCustomIniFile* Ini) {
  Ini->WriteString("General", "SkinName", SkinName);
  Ini->WriteString("General", "SkinVersion", SkinVersion);
  Ini->WriteString("General", "Author", Author);
  Ini->WriteString("General", "AuthorEmail", AuthorEmail);
  Ini->WriteString("General", "AuthorURL", AuthorURL);
  Ini->WriteString("General", "Sizeable", Sizeable ? "true" : "false");
  for (auto* s : Sounds) Ini->WriteString("Sounds", s->Name, s->Name + ".wav");
  for (auto* i : Images) Ini->WriteString("Images", i->Name, i->Name + ".bmp");
  for (auto* o : Objects) WriteObject(o, Ini);
}

void TscSkinSource::SaveToFolder(const String& Folder) {
  if (Folder.empty()) return;
  for (auto* s : Sounds) CheckName(s->Name);
  for (auto* i : Images) CheckName(i->Name);
  if (!DirectoryExists(Folder)) CreateDir(Folder);
  // A fresh configuration: nothing of a skin saved there before survives.
  TscMemIniFile ini("");
  ini.FileName = Folder + "config.qze";
  WriteConfig(&ini);
  for (auto* s : Sounds) s->SaveToFile(Folder + s->Name + ".wav");
  for (auto* i : Images) i->SaveToFile(Folder + i->Name + ".bmp");
  ini.UpdateFile();
}

void TscSkinSource::SaveToFile(const String& FileName) {
  if (FileName.empty()) return;
  TMemoryStream package;
  SaveToStream(&package);
  WriteSkinFile(FileName, package);
}

void TscSkinSource::SaveToStream(TStream* Stream) {
  WriteStreamString(Stream, kSkinPackageHeader);
  TscStringsIniFile ini;
  WriteConfig(&ini);
  ini.SaveToStream(Stream);
  for (auto* s : Sounds) s->SaveToStream(Stream);
  for (auto* i : Images) i->SaveToStream(Stream);
}

TscSkinStore::TscSkinStore(TComponent* AOwner)
    : TComponent(AOwner), SkinSource(new TscSkinSource(nullptr)) {}

TscSkinStore::~TscSkinStore() { delete SkinSource; }

void TscSkinStore::ReadSkinStream(TStream* Stream) {
  delete SkinSource;
  SkinSource = nullptr;
  SkinSource = new TscSkinSource(nullptr);
  SkinSource->LoadFromStream(Stream);
}

void TscSkinStore::WriteSkinStream(TStream* Stream) { SkinSource->SaveToStream(Stream); }
