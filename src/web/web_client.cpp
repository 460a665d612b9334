#include "web/web_client.h"

#include "platform/format.h"
#include "platform/net.h"
#include "platform/official_servers.h"

namespace wakelore {

bool FetchPage(WebClient& client, const std::wstring& path, std::string* body) {
  return FetchPageFrom(client, RaceSiteHost(), path, body);
}

bool FetchPageFrom(WebClient& client, const NetEndpoint& server, const std::wstring& path,
                   std::string* body) {
  client.message.clear();
  PageFetchResult result = FetchPageBytes(server, path, body);
  switch (result.step) {
    case PageFetchStep::kDone:
      if (!body->empty()) return true;
      client.message = kEmptyPageMessage;
      break;
    case PageFetchStep::kSession:
      client.message = L"WinHttpOpen に失敗しました。";
      break;
    case PageFetchStep::kConnect:
      client.message = L"サーバーへ接続できません。";
      break;
    case PageFetchStep::kRequest:
      client.message = L"リクエストを作成できません。";
      break;
    case PageFetchStep::kTransfer:
      client.message = Format(L"通信に失敗しました。(エラー %lu)", result.code);
      break;
    case PageFetchStep::kStatus:
      client.message = Format(L"HTTP %lu が返されました。", result.code);
      break;
    case PageFetchStep::kRead:
      client.message = L"応答の読み取りに失敗しました。";
      break;
    case PageFetchStep::kTooLarge:
      client.message = L"応答が大きすぎます。";
      break;
  }
  body->clear();
  body->shrink_to_fit();
  return false;
}

}  // namespace wakelore
