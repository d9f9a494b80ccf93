#include "classlib/CursorResources.h"

#include "classlib/Resources.h"
#include "platform/user/icon_file.h"

HCURSOR CreateCursorFromFileData(const std::uint8_t* Data, std::size_t Size) {
  if (!Data) return nullptr;
  return platform::CreateIconFromIconFile(Data, Size, 0);
}

HCURSOR LoadCursorResource(const String& Name) {
  const TResourceData data = FindResourceData(Name, ResourceType::Cursor);
  if (!data) return nullptr;
  return CreateCursorFromFileData(data->data(), data->size());
}

HCURSOR LoadCursorResource(int Id) { return LoadCursorResource(ResourceIdName(Id)); }
