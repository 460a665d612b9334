#include "output/datasets.h"

namespace wakelore {

const std::vector<DatasetInfo>& Datasets() {
  static const std::vector<DatasetInfo> catalogue = {
      {L"combined", L"結合データ(1行=1艇、出走表+結果+払戻)", L"結合データ",
       L"出走表の当時の勝率・2連率に、進入・ST・着順・決まり手と単勝/2連単/3連単の払戻を横に並べた分析向けデータです。",
       true, true},
      {L"program", L"出走表(番組表)", L"出走表",
       L"番組表の内容です。勝率・2連率・級別はそのレース時点の値です。",
       true, true},
      {L"result", L"競走成績(着順・進入・ST)", L"競走成績",
       L"着順、進入コース、スタートタイミング、展示タイム、レースタイム、決まり手、気象です。",
       true, true},
      {L"payout", L"払戻金(全券種)", L"払戻金",
       L"単勝・複勝・2連単・2連複・拡連複・3連単・3連複の組番、払戻金(100円あたり)、人気です。",
       true, true},
      {L"stadium_days", L"開催情報(グレード・開催名)", L"開催情報",
       L"公式サイトの開催一覧から取得したグレード、女子戦などの区分、ナイター等の時間帯、開催期間です(2017年以降)。",
       true, true},
      {L"live_info", L"直前情報(展示・チルト・気象)", L"直前情報",
       L"「直前情報・オッズを取得」で取り込んだ展示タイム、チルト、スタート展示、風・波です。",
       true, true},
      {L"live_odds", L"直前オッズ(全券種)", L"直前オッズ",
       L"「直前情報・オッズを取得」、取込の「直前情報・オッズ」、/snapshot で取り込んだ3連単・3連複・2連単・2連複・"
       L"拡連複・単勝・複勝のオッズです。取得した時刻ごとに残ります。拡連複・複勝はオッズ(下限)とオッズ上限、"
       L"更新時刻は公式サイトの表示(締切時は「締切時」)、確定は締切時・過去日のオッズで1です。",
       true, true},
      {L"final_odds", L"最終オッズ(全券種)", L"最終オッズ",
       L"締切時(過去日)のオッズをレース・券種・組番ごとに1行で、的中した組番には払戻金と人気を並べます。",
       true, true},
      {L"racer_period", L"レーサー期別成績", L"期別成績",
       L"選手ごとの期別の勝率・2連率・出走数・優勝回数・平均STなどです。期間は年で絞り込みます(場は無関係)。",
       true, false},
      {L"racer_course", L"レーサー期別コース別成績", L"コース別成績",
       L"選手ごと・進入コースごとの出走数、2連率、平均ST、着順分布、F・L・K数です。期間は年で絞り込みます。",
       true, false},
      {L"sql", L"SQLを直接入力", L"SQL",
       L"下の欄に SELECT 文を入力します。「テーブル一覧」で使える表と列を確認できます(読み取り専用)。",
       false, false},
  };
  return catalogue;
}

const DatasetInfo* FindDataset(const std::wstring& key) {
  for (const DatasetInfo& info : Datasets()) {
    if (info.key == key) return &info;
  }
  return nullptr;
}

}  // namespace wakelore
