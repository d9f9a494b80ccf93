// Keyword tables of the skin configuration (words to codes and back),
// colours, lists and image references, and the reader and writer of an
// object's section.
#pragma once

#include <vector>

#include "classlib/Fonts.h"
#include "classlib/Strings.h"
#include "skins/QzDevBmp.h"
#include "skins/SkinIniFiles.h"
#include "skins/SkinObjects.h"

// Takes a colour's three components (red, green, blue: decimal integers,
// each taken modulo 256) from the front of Rest. Raises EConvertError for
// a component that is not a decimal integer.
TColor ReadColor(String& Rest);
// The colour the whole text gives, as ReadColor reads it.
TColor TextToColor(const String& Value);
String ColorToText(TColor Color);
uint8_t TextToAlign(const String& Value);
String AlignToText(uint8_t Value);
uint8_t TextToKind(const String& Value);
String KindToText(uint8_t Value);
uint8_t TextToTileStyle(const String& Value);
String TileStyleToText(uint8_t Value);
uint8_t TextToTextAlign(const String& Value);
String TextAlignToText(uint8_t Value);
TFontStyles TextToFontStyle(const String& Value);
String FontStyleToText(TFontStyles Value);
TscVisible TextToVisible(const String& Value);
String VisibleToText(TscVisible Value);
void TextToList(const String& Value, TStrings* List);
String ListToText(TStrings* List);

// Rest empty: a new reference to the whole image. Otherwise a new bitmap
// cut from the rectangle (right and bottom inclusive) that the rest gives;
// a rectangle that does not convert, is reversed or lies wholly outside
// the image yields nothing; one reaching past the image is cut at its edges.
TqzBmp* ImageFromReference(TqzBmp* Image, const String& Rest);
String ImageToReference(TqzBmp* Image);

TqzBmp* FindImage(const std::vector<TqzBmp*>& Images, const String& Name);

// Fills the object from its section (and its children from theirs,
// stopping at a section already on the path). Raises EConvertError for a
// bad number, and EReadError when the tree would hold more than 4096
// objects (a section may be named many times over) or reach more than 64
// levels below the top.
void ReadObject(const std::vector<TqzBmp*>& Images, TscSkinObject* Object, const String& Section,
                TscCustomIniFile* Ini);
void WriteObject(TscSkinObject* Object, TscCustomIniFile* Ini);
