// TURL: a non-visual component that opens an address (web page, mail, news,
// file ...) through the shell: the scheme of URLType, then URL.
#pragma once

#include "classlib/Components.h"
#include "platform/core/types.h"

enum TURLType { utFile, utFtp, utGopher, utHttp, utHttps, utMailto, utNews, utTelnet, utWais };

// "file://", "ftp://", ... in the order of TURLType.
const char* URLPrefix(TURLType Type);

class TURL : public TComponent {
 public:
  explicit TURL(TComponent* AOwner);

  const String& URL() const { return url_; }
  void SetURL(const String& Value);
  TURLType URLType() const { return url_type_; }
  void SetURLType(TURLType Value);

  // Opens prefix + URL without activating the opened window; true when
  // the shell took it. An empty URL opens nothing and gives false.
  bool Execute();
  // ShellExecute with the main window as owner and the default verb.
  HINSTANCE ShellOpen(const String& FileName, const String& Params, const String& Dir,
                      int ShowCmd);

 private:
  String url_;
  TURLType url_type_ = utHttp;
};
