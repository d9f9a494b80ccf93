// One loaded skin: general information, named sounds, named images and the
// top-level skin objects; read from and written to a skin folder or a skin
// package. TscSkinStore keeps a package with a form.
#pragma once

#include <vector>

#include "classlib/Components.h"
#include "classlib/Streams.h"
#include "skins/QzDevBmp.h"
#include "skins/SkinIniFiles.h"
#include "skins/SkinObjects.h"
#include "skins/SkinSound.h"

class TscSkinEngine;

// The first string of a skin package.
inline constexpr const char* kSkinPackageHeader = "SkinEngine package";

class TscSkinSource : public TComponent {
 public:
  explicit TscSkinSource(TComponent* AOwner);
  ~TscSkinSource() override;

  // Shares the other source's sounds and images and copies its objects.
  void Assign(TPersistent* ASource) override;
  TscSkinSource* Clone();

  // Loading adds to what is there, and only a whole skin: a bad number, a
  // missing or unreadable file, a short stream or a name with a path in it
  // raises the class library's error and adds nothing.
  virtual void LoadFromFolder(const String& Folder);
  virtual void LoadFromFile(const String& FileName);
  virtual void LoadFromStream(TStream* Stream);
  // Writes a fresh "config.qze" with the sounds and images beside it.
  // Each file is replaced whole, the configuration last; a file that cannot
  // be written keeps its old contents and raises EFCreateError.
  virtual void SaveToFolder(const String& Folder);
  // The package, written whole or not at all (as above).
  virtual void SaveToFile(const String& FileName);
  virtual void SaveToStream(TStream* Stream);

  void SetSkinEngine(TscSkinEngine* Engine);
  void Changed();
  void AddObject(TscSkinObject* Obj);
  TscSkinObject* FindObject(uint8_t Kind) const;
  TscSkinObject* FormObject() const { return FindObject(skForm); }
  TscSkinObject* MenuBarObject() const;
  TscSkinObject* ClientObject() const;
  TscSkinObject* MenuBarItemObject() const;
  TscSkinObject* PopupMenuObject() const { return FindObject(skPopupMenu); }
  TscSkinObject* PageControlObject() const { return FindObject(skPageControl); }
  TscSound* FindSound(const String& Name) const;

  bool Loaded = false;
  String SkinName = "Qz Skin";
  String AuthorURL = "http://skins.velko.invalid/";
  String SkinVersion = "1.5";
  String Author = "Velko skin author";
  String AuthorEmail = "skins@velko.invalid";
  std::vector<TscSkinObject*> Objects;  // owned
  std::vector<TqzBmp*> Images;          // one reference each
  TscSkinEngine* SkinEngine = nullptr;
  std::vector<TscSound*> Sounds;        // one reference each
  bool Sizeable = true;

  // Tells an engine that its skin changed; installed by the engine.
  static void (*EngineSkinChanged)(TscSkinEngine*);

 private:
  struct Parts;
  void ReadGeneral(TscCustomIniFile* Ini);
  void ReadObjects(TscCustomIniFile* Ini, Parts& P);
  void Take(Parts& P);
  void WriteConfig(TscCustomIniFile* Ini);
  void ClearAll();
};

// Keeps a skin package with a form.
class TscSkinStore : public TComponent {
 public:
  explicit TscSkinStore(TComponent* AOwner);
  ~TscSkinStore() override;

  // The stored package: reading replaces the source with a new one loaded
  // from the stream; writing saves the source's package.
  void ReadSkinStream(TStream* Stream);
  void WriteSkinStream(TStream* Stream);
  // The package is stored only when the source was loaded.
  bool StoresSkinStream() const { return SkinSource && SkinSource->Loaded; }

  TscSkinSource* SkinSource = nullptr;  // owned, no owner of its own
  int32_t SkinData = 0;
};

// Names of sounds and images become file names: a name with a path
// separator or ".." in it is refused.
bool IsSafeSkinItemName(const String& Name);
