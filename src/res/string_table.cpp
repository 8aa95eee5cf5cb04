// The string table (language 0x0011, Japanese): the texts that the dialog
// and the registration sequence load by id. Stored as UTF-8; LoadStringA
// hands them out in code page 932. None of them holds a "%", since the
// status area uses them as formats.
#include "platform/resources.h"
#include "res/ranking_host.h"
#include "res/resource_ids.h"

const StringTableEntry string_table[] = {
    {IDS_CAPTION, "ZQ InternetRanking登録"},
    {IDS_SENDING, "通信中 : 記録の照合と送信を行っています。\n"
                  "しばらくお待ち下さい。回線状況によっては時間が\n"
                  "かかることがあります。\n"},
    {IDS_INSTRUCTIONS,
     "あらかじめインターネットに接続しておいて下さい。\n"
     "名前を入力し、送信をクリックすると登録を開始します。\n"
     "結果はいつでも次の URL で確認することができます。\n" RANKING_PAGE_TEXT "\n"},
    {IDS_CHECKING, "通信中 : 現在登録受け付けの確認を行っています。\n"
                   "しばらくお待ち下さい。"},
    {IDS_FAILED, "通信エラーが発生しました。登録ができませんでした。\n"
                 "インターネットに正しく接続されているか確認して下さい。\n"
                 "もしくは URL " RANKING_PAGE_TEXT " で現在\n"
                 "記録登録の受け付けを行っているか調べて下さい。      \n"},
    {IDS_PREPARING, "通信中 : タイムアタック記録の照合と送信を行ってい\n"
                    "ます。しばらくお待ち下さい。回線状況によっては時間\n"
                    "がかかることがあります。\n"},
    {IDS_DONE, "通信完了"},
    {IDS_FINISH_BUTTON, "完了"},
};
const size_t string_table_count = sizeof(string_table) / sizeof(string_table[0]);
