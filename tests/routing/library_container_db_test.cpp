// A container made through the built library as the Java application makes
// one: getAutorouterContainer of tarvoUtils, loaded by full path, against the
// run's PostgreSQL server through the libpq of this build (under Wine the
// libpq.dll of its architecture). The JVM tests do the same on Linux.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <filesystem>
#include <string>

#include "fake_jni.h"
#include "product_library.h"
#include "routing_db_home.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::string utf8(const std::u16string& text) { return fs::path(text).u8string(); }

TEST(LibraryContainer, SenderContainerIsCreatedFiledAndLogged) {
    RoutingDbHome home;
    home.configure("routing");
    FakeJava java;
    ProductLibrary library;
    ASSERT_TRUE(library.loaded());
    auto getContainer = library.find<jstring(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring)>(
        "Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainer__Ljava_lang_String_2Ljava_lang_String_2Ljava_"
        "lang_String_2");
    ASSERT_NE(getContainer, nullptr);

    // No autorouter listens here: the notification fails, the container stays.
    CaptureStderr();
    jstring data = getContainer(java.env(), nullptr, java.string(u"FULL"), java.string(u"D"), java.string(u"H"));
    const std::string errors = GetCapturedStderr();
    ASSERT_NE(data, nullptr) << errors;
    const fs::path dataFolder = fs::u8path(utf8(java.text(data)));
    EXPECT_EQ(dataFolder.filename(), "data");
    EXPECT_TRUE(fs::is_directory(dataFolder));
    const fs::path container = dataFolder.parent_path();
    EXPECT_TRUE(fs::equivalent(container.parent_path(), home.containers.path()));
    EXPECT_EQ(container.filename().string().rfind("200.3.30.", 0), 0u) << container;
    for (const char* file : {"rules.db", "workingtimes.db", "sourcedata.db", "2001_import.db"}) {
        EXPECT_TRUE(fs::is_regular_file(container / file)) << file;
    }

    PGconn* connection = PQconnectdb(home.conninfo("routing").c_str());
    ASSERT_EQ(PQstatus(connection), CONNECTION_OK) << PQerrorMessage(connection);
    const std::string name = container.filename().string();
    const char* values[] = {name.c_str()};
    PGresult* result =
        PQexecParams(connection, "SELECT message FROM log WHERE container = $1", 1, nullptr, values, nullptr, nullptr, 0);
    ASSERT_EQ(PQresultStatus(result), PGRES_TUPLES_OK);
    ASSERT_EQ(PQntuples(result), 1);
    EXPECT_EQ(std::string(PQgetvalue(result, 0, 0)), "newcontainer\tFULL\tD\tH");
    PQclear(result);
    PQfinish(connection);
}

}  // namespace
