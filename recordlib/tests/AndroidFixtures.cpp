#include "AndroidFixtures.h"

#include <windows.h>

#include <sqlite3.h>

#include <stdexcept>

namespace fixtures {

namespace {

int CompareBytes(void* /*arg*/, int n1, const void* s1, int n2, const void* s2) {
  int c = memcmp(s1, s2, static_cast<size_t>(n1 < n2 ? n1 : n2));
  return c != 0 ? c : n1 - n2;
}

const char kContactsTables[] = R"sql(
CREATE TABLE mimetypes (_id INTEGER PRIMARY KEY AUTOINCREMENT,mimetype TEXT NOT NULL);
CREATE UNIQUE INDEX mime_type ON mimetypes (mimetype);
CREATE TABLE data (_id INTEGER PRIMARY KEY AUTOINCREMENT,package_id INTEGER,mimetype_id INTEGER NOT NULL,raw_contact_id INTEGER NOT NULL,hash_id TEXT,is_read_only INTEGER NOT NULL DEFAULT 0,is_primary INTEGER NOT NULL DEFAULT 0,is_super_primary INTEGER NOT NULL DEFAULT 0,data_version INTEGER NOT NULL DEFAULT 0,data1 TEXT,data2 TEXT,data3 TEXT,data4 TEXT,data5 TEXT,data6 TEXT,data7 TEXT,data8 TEXT,data9 TEXT,data10 TEXT,data11 TEXT,data12 TEXT,data13 TEXT,data14 TEXT,data15 TEXT,data_sync1 TEXT,data_sync2 TEXT,data_sync3 TEXT,data_sync4 TEXT,carrier_presence INTEGER NOT NULL DEFAULT 0);
CREATE INDEX data_raw_contact_id ON data (raw_contact_id);
INSERT INTO mimetypes VALUES (1,'vnd.android.cursor.item/email_v2');
INSERT INTO mimetypes VALUES (2,'vnd.android.cursor.item/im');
INSERT INTO mimetypes VALUES (3,'vnd.android.cursor.item/name');
INSERT INTO mimetypes VALUES (4,'vnd.android.cursor.item/phone_v2');
INSERT INTO mimetypes VALUES (5,'vnd.android.cursor.item/organization');
INSERT INTO mimetypes VALUES (6,'vnd.android.cursor.item/note');
INSERT INTO mimetypes VALUES (7,'vnd.android.cursor.item/photo');
INSERT INTO data (_id,mimetype_id,raw_contact_id,data1,data2,data3) VALUES (1,3,1,'Alice Archer','Alice','Archer');
INSERT INTO data (_id,mimetype_id,raw_contact_id,is_primary,is_super_primary,data1,data2) VALUES (2,4,1,1,1,'+1 555 0101',2);
INSERT INTO data (_id,mimetype_id,raw_contact_id,data1,data2) VALUES (3,1,1,'alice@example.org',1);
INSERT INTO data (_id,mimetype_id,raw_contact_id,data1,data2,data4,data5,data6) VALUES (4,5,1,'Archer & Co',1,'Engineer','R&D','Builds bridges');
INSERT INTO data (_id,mimetype_id,raw_contact_id,data1,data2) VALUES (5,4,2,'+1 555 0100','7');
INSERT INTO data (_id,mimetype_id,raw_contact_id,data1) VALUES (6,3,3,'Zo' || char(235) || ' ' || char(220) || 'nal');
INSERT INTO data (_id,mimetype_id,raw_contact_id,data1,data2) VALUES (7,4,3,'0049 30 1234',17);
INSERT INTO data (_id,mimetype_id,raw_contact_id,data15) VALUES (8,7,3,X'89504E470D0A1A0A00');
)sql";

const char kRawContacts[] = R"sql(
CREATE TABLE contacts (_id INTEGER PRIMARY KEY AUTOINCREMENT,name_raw_contact_id INTEGER,photo_id INTEGER,photo_file_id INTEGER,custom_ringtone TEXT,send_to_voicemail INTEGER NOT NULL DEFAULT 0,times_contacted INTEGER NOT NULL DEFAULT 0,last_time_contacted INTEGER,starred INTEGER NOT NULL DEFAULT 0,pinned INTEGER NOT NULL DEFAULT 0,has_phone_number INTEGER NOT NULL DEFAULT 0,lookup TEXT,status_update_id INTEGER,contact_last_updated_timestamp INTEGER);
CREATE TABLE raw_contacts (_id INTEGER PRIMARY KEY AUTOINCREMENT,account_id INTEGER,sourceid TEXT,backup_id TEXT,raw_contact_is_read_only INTEGER NOT NULL DEFAULT 0,version INTEGER NOT NULL DEFAULT 1,dirty INTEGER NOT NULL DEFAULT 0,deleted INTEGER NOT NULL DEFAULT 0,contact_id INTEGER,aggregation_mode INTEGER NOT NULL DEFAULT 0,aggregation_needed INTEGER NOT NULL DEFAULT 1,custom_ringtone TEXT,send_to_voicemail INTEGER NOT NULL DEFAULT 0,times_contacted INTEGER NOT NULL DEFAULT 0,last_time_contacted INTEGER,starred INTEGER NOT NULL DEFAULT 0,pinned INTEGER NOT NULL DEFAULT 0,display_name TEXT,display_name_alt TEXT,display_name_source INTEGER NOT NULL DEFAULT 0,phonetic_name TEXT,phonetic_name_style TEXT,sort_key TEXT COLLATE PHONEBOOK,phonebook_label TEXT,phonebook_bucket INTEGER,sort_key_alt TEXT COLLATE PHONEBOOK,phonebook_label_alt TEXT,phonebook_bucket_alt INTEGER,name_verified INTEGER NOT NULL DEFAULT 0,sync1 TEXT,sync2 TEXT,sync3 TEXT,sync4 TEXT);
CREATE INDEX raw_contact_sort_key1_index ON raw_contacts (sort_key);
CREATE INDEX raw_contact_sort_key2_index ON raw_contacts (sort_key_alt);
INSERT INTO raw_contacts (_id,contact_id,display_name,display_name_source,sort_key) VALUES (1,1,'Alice Archer',40,'Alice Archer');
INSERT INTO raw_contacts (_id,contact_id,display_name,display_name_source,sort_key) VALUES (2,2,'+1 555 0100',20,'+1 555 0100');
INSERT INTO raw_contacts (_id,contact_id,display_name,display_name_source,sort_key) VALUES (3,3,'Zo' || char(235) || ' ' || char(220) || 'nal',40,'Zoe Unal');
INSERT INTO raw_contacts (_id,contact_id,deleted) VALUES (5,4,1);
INSERT INTO contacts (_id,name_raw_contact_id,times_contacted,starred,has_phone_number,lookup) VALUES (1,1,3,1,1,'0r1-A');
INSERT INTO contacts (_id,name_raw_contact_id,has_phone_number,lookup) VALUES (2,2,1,'0r2-B');
INSERT INTO contacts (_id,name_raw_contact_id,has_phone_number,lookup) VALUES (3,3,1,'0r3-C');
INSERT INTO contacts (_id,name_raw_contact_id,lookup) VALUES (4,5,NULL);
)sql";

const char kSmsTables[] = R"sql(
CREATE TABLE sms (_id INTEGER PRIMARY KEY,thread_id INTEGER,address TEXT,person INTEGER,date INTEGER,date_sent INTEGER DEFAULT 0,protocol INTEGER,read INTEGER DEFAULT 0,status INTEGER DEFAULT -1,type INTEGER,reply_path_present INTEGER,subject TEXT,body TEXT,service_center TEXT,locked INTEGER DEFAULT 0,sub_id INTEGER DEFAULT -1,error_code INTEGER DEFAULT 0,creator TEXT,seen INTEGER DEFAULT 0);
CREATE TABLE threads (_id INTEGER PRIMARY KEY AUTOINCREMENT,date INTEGER DEFAULT 0,message_count INTEGER DEFAULT 0,recipient_ids TEXT,snippet TEXT,snippet_cs INTEGER DEFAULT 0,read INTEGER DEFAULT 1,archived INTEGER DEFAULT 0,type INTEGER DEFAULT 0,error INTEGER DEFAULT 0,has_attachment INTEGER DEFAULT 0);
CREATE TABLE canonical_addresses (_id INTEGER PRIMARY KEY AUTOINCREMENT,address TEXT);
INSERT INTO threads (_id,date,message_count,recipient_ids,snippet,read) VALUES (1,1700000000000,2,'1','Hello back',1);
INSERT INTO threads (_id,date,message_count,recipient_ids,snippet,read) VALUES (2,1700000500000,1,'2','Zo' || char(235),0);
INSERT INTO threads (_id,date,message_count,recipient_ids,snippet,read) VALUES (3,1690000000000,1,'1','picture',1);
INSERT INTO canonical_addresses VALUES (1,'+15550101');
INSERT INTO canonical_addresses VALUES (2,'+15550100');
INSERT INTO sms (_id,thread_id,address,person,date,read,status,type,body,service_center,locked,seen) VALUES (1,1,'+15550101',1,1699999000000,1,-1,1,'Hi, Alice here','+15550000',0,1);
INSERT INTO sms (_id,thread_id,address,person,date,read,status,type,body,locked,seen) VALUES (2,1,'+15550101',1,1700000000000,1,0,2,'Hello back',1,1);
INSERT INTO sms (_id,thread_id,address,person,date,read,type,body) VALUES (3,2,'+15550100',0,1700000500000,0,1,'Zo' || char(235) || ' says ' || char(252) || 'n' || char(239) || 'code');
INSERT INTO sms (_id,thread_id,address,person,date,type,body) VALUES (4,9,'12345',0,1600000000000,1,'orphan');
INSERT INTO sms (_id,thread_id,address,person,date,type,body) VALUES (5,2,'+15550100',NULL,NULL,5,NULL);
)sql";

}  // namespace

void WriteDb(const std::string& path, const std::string& sql) {
  DeleteFileA(path.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot create " + path);
  sqlite3_create_collation_v2(db, "PHONEBOOK", SQLITE_UTF8, nullptr, CompareBytes, nullptr);
  sqlite3_create_collation_v2(db, "LOCALIZED", SQLITE_UTF8, nullptr, CompareBytes, nullptr);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("fixture SQL failed: " + message);
}

void WriteContactsDb(const std::string& path) {
  WriteDb(path, std::string(kContactsTables) + kRawContacts);
}

void WriteContactsDbWithoutRawContacts(const std::string& path) { WriteDb(path, kContactsTables); }

void WriteSmsDb(const std::string& path) { WriteDb(path, kSmsTables); }

void WriteWalModeSmsCopy(const std::string& path) {
  // The phone's own file; its connection stays open while the copies are taken, as on a
  // running phone, so the log is not checkpointed into the main file.
  const std::string phone = path + ".phone";
  for (const char* suffix : {"", "-wal", "-shm"}) DeleteFileA((phone + suffix).c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(phone.c_str(), &db) != SQLITE_OK) {
    throw std::runtime_error("cannot create " + phone);
  }
  const std::string sql = std::string("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;") +
                          kSmsTables + "PRAGMA wal_checkpoint(TRUNCATE);"
                          "INSERT INTO sms (_id,thread_id,address,person,date,type,body) VALUES (6,1,'+15550101',1,1700000600000,1,'only in the log');"
                          "INSERT INTO sms (_id,thread_id,address,person,date,type,body) VALUES (7,2,'+15550100',0,1700000700000,2,'newest of all');"
                          "DELETE FROM sms WHERE _id=2;";
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  const bool copied = rc == SQLITE_OK && CopyFileA(phone.c_str(), path.c_str(), FALSE) &&
                      CopyFileA((phone + "-wal").c_str(), (path + "-wal").c_str(), FALSE);
  sqlite3_close(db);
  for (const char* suffix : {"", "-wal", "-shm"}) DeleteFileA((phone + suffix).c_str());
  if (rc != SQLITE_OK) throw std::runtime_error("fixture SQL failed: " + message);
  if (!copied) throw std::runtime_error("cannot copy " + phone);
}

void WriteOldSmsDbWithoutThreads(const std::string& path) {
  WriteDb(path, R"sql(
CREATE TABLE sms (_id INTEGER PRIMARY KEY,thread_id INTEGER,address TEXT,person INTEGER,date INTEGER,protocol INTEGER,read INTEGER DEFAULT 0,status INTEGER DEFAULT -1,type INTEGER,reply_path_present INTEGER,subject TEXT,body TEXT,service_center TEXT,locked INTEGER DEFAULT 0);
INSERT INTO sms (_id,thread_id,address,person,date,type,body) VALUES (1,4,'5551',3,1262304000000,1,'old one');
INSERT INTO sms (_id,thread_id,address,person,date,type,body) VALUES (2,6,'5552',0,1262305000000,2,'newer');
INSERT INTO sms (_id,thread_id,address,person,date,type,body) VALUES (3,4,'5551',3,1262306000000,2,'newest');
)sql");
}

}  // namespace fixtures
