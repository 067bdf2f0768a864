// Container creation against the run's PostgreSQL server with the routing
// databases of tests/fixtures/routing-db: the older table layouts, the files,
// the log row, the "init" request on the autorouter's own port, the update,
// and the failures with their messages. Runs in a network namespace of its
// own (see tests/fixtures/private-network).
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "autorouter_listener.h"
#include "loopback_listener.h"
#include "routing.h"
#include "routing_db_home.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const int kAutorouterPort = 7375;

testing::AssertionResult holds(const std::string& text, const std::string& piece) {
    if (text.find(piece) != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "'" << text << "' lacks '" << piece << "'";
}

std::string taken(char* text) {
    const std::string copy = text != nullptr ? text : "<null>";
    free(text);
    return copy;
}

class ContainerDbTest : public testing::Test {
protected:
    void SetUp() override { routingDebug = 0; }

    // A container for `sender` named `name`; its data path, or "<null>".
    // Standard error goes to `errors`.
    std::string create(const char* sender, const char* name, std::string* errors = nullptr) {
        CaptureStderr();
        const std::string path = taken(getContainerForSender(sender, "D", "H", name, 42, 1));
        const std::string captured = GetCapturedStderr();
        if (errors != nullptr) *errors = captured;
        return path;
    }
    fs::path container(const std::string& name) const { return home.containers.path() / name; }
    std::string query(const std::string& database, const std::string& statement) const {
        PGconn* connection = PQconnectdb(home.conninfo(database).c_str());
        PGresult* result = PQexec(connection, statement.c_str());
        std::string value = PQntuples(result) > 0 ? PQgetvalue(result, 0, 0) : "<no row>";
        PQclear(result);
        PQfinish(connection);
        return value;
    }

    RoutingDbHome home;
};

TEST_F(ContainerDbTest, ContainerIsAnnouncedAndLoggedWithItsName) {
    AutorouterListener autorouter("127.0.0.1", kAutorouterPort);
    ASSERT_TRUE(autorouter.listening());
    home.configure("routing", "DEBUG = on\n");
    std::string errors;
    const std::string data = create("TIMEOUTLESS", nullptr, &errors);
    const fs::path directory = fs::path(data).parent_path();
    const std::string name = directory.filename().string();
    EXPECT_EQ(directory.parent_path(), home.containers.path());
    EXPECT_EQ(name.substr(0, 10), "17.5.0.42.") << "a NULL timeout is 0";
    EXPECT_TRUE(holds(errors, "returned 1 typles\ngetting the container \n"));
    EXPECT_EQ(autorouter.nextConnection(), "GET /?doexec=" + data + "&init HTTP/1.1\n");
    EXPECT_EQ(query("routing", "SELECT message FROM log WHERE logsource = 'LIBROUTING' AND container = '" + name +
                                   "'"),
              "newcontainer\tTIMEOUTLESS\tD\tH");
    EXPECT_EQ(readFile(directory / "rules.db"), "") << "a source without rules";
    EXPECT_FALSE(fs::exists(directory / "workingtimes.db"));
    EXPECT_EQ(readFile(directory / "sourcedata.db"), "D\nTIMEOUTLESS\nH\n");
}

TEST_F(ContainerDbTest, ArchiveOnlyRulesWriteNoImportInfo) {
    home.configure("routing", "WRITE_IMPORTINFO = on\n");
    const fs::path directory = fs::path(create("ARCHIVEONLY", "archives")).parent_path();
    EXPECT_EQ(directory, container("210.8.0.archives"));
    EXPECT_EQ(readFile(directory / "2101_archiveinfo"), "3\tDICOM\t\n") << "no TAB after the alias";
    EXPECT_TRUE(fs::is_directory(directory / "data"));
    EXPECT_FALSE(fs::exists(directory / "data" / "dbImport.info"));
}

TEST_F(ContainerDbTest, OlderRuleAndStagingLayoutsAreTriedInTurn) {
    const std::string rules12 =
        "2001\tIMPORT\t-v\t3\t10\tf\t0\t0\t7\t600\t2\tt\t\n"
        "2002\tARCHIVE_ONLY\t\t1\t0\tf\t\t\t\t0\t1\tf\t\n"
        "2003\tARCHIVE_ONLY\t\t1\t0\tf\t0\t0\t\t0\t1\tf\t\n"
        "2004\tstaging_only\t\t1\t0\tt\t0\t0\t8\t0\t1\tf\t\n"
        "2005\tIMPORT\tarchive_only\t1\t0\tf\t0\t0\t9\t0\t1\tf\t\n"
        "2006\tFORWARD\tGrüße\t1\t0\tf\t0\t0\t\t0\t1\tf\t\n";

    home.configure("routing_rules12");
    std::string errors;
    fs::path directory = fs::path(create("FULL", "layout10", &errors)).parent_path();
    EXPECT_EQ(directory, container("200.3.30.layout10"));
    EXPECT_TRUE(holds(errors, "max_images, max_duration FROM act_rules WHERE source=200;' failed\n"
                                  "Error returned: ERROR:  column \"max_images\" does not exist\n"));
    EXPECT_TRUE(holds(errors, "Trying old style of act_rules columns.\n"));
    EXPECT_TRUE(holds(errors, "Trying old style of act_staging columns.\nQuery string: SELECT db_id, db_name, "
                                  "db_host, imported, modality, method, rate, id, parentid, archivepath FROM "
                                  "act_staging WHERE db_id=7 and days=0 order by imported, modality;\n"));
    EXPECT_EQ(readFile(directory / "rules.db"), rules12);
    EXPECT_EQ(readFile(directory / "2001_import.db"),
              "7\tpacs\tpacs2\tf\tCT\tstore\t\t73\t2001\t\t\n"
              "7\tpacs\tpacs1\tf\tMR\tmove\t10\t71\t2001\t/arch/a\t\n"
              "7\tpacs\tpacs1\tt\tCT\tmove\t10\t72\t2001\t/arch/b\t\n");

    home.configure("routing_staging7");
    directory = fs::path(create("FULL", "layout7", &errors)).parent_path();
    EXPECT_EQ(directory, container("200.3.30.layout7"));
    size_t tries = 0;
    for (size_t at = 0; (at = errors.find("Trying old style of act_staging columns.\n", at)) != std::string::npos;
         ++at) {
        ++tries;
    }
    EXPECT_EQ(tries, 3u * 2u) << "two tries for each of the three staging rules";
    EXPECT_EQ(readFile(directory / "rules.db"), rules12);
    EXPECT_EQ(readFile(directory / "2001_import.db"),
              "7\tpacs\tpacs2\tf\tCT\tstore\t\t\n"
              "7\tpacs\tpacs1\tf\tMR\tmove\t10\t\n"
              "7\tpacs\tpacs1\tt\tCT\tmove\t10\t\n");
    EXPECT_EQ(readFile(directory / "2004_import.db"), "8\tris\tris1\tf\tUS\tstore\t5\t\n");
}

TEST_F(ContainerDbTest, UpdateRewritesSourceDataAndTheLogRow) {
    home.configure("routing");
    const std::string data = create("FULL", "update");
    const fs::path directory = container("200.3.30.update");
    CaptureStderr();
    EXPECT_EQ(updateContainerSourceData(data.c_str(), "O'Brien", "CT\tMR", "host 2", 1), 1);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(readFile(directory / "sourcedata.db"), "CT\tMR\nO'Brien\nhost 2\n");
    EXPECT_FALSE(fs::exists(directory / "data" / "sourcedata.db"));
    EXPECT_EQ(query("routing", "SELECT message FROM log WHERE container = '200.3.30.update'"),
              "newcontainer\tO'Brien\tCT|MR\thost 2");

    // A container without a log row: nothing to change, and that is fine.
    CaptureStderr();
    const std::string unlogged = taken(getContainerForSourceId(150, nullptr, nullptr, nullptr, "unlogged", 42, 0));
    GetCapturedStderr();
    EXPECT_EQ(fs::path(unlogged).parent_path(), container("150.6.0.unlogged"));
    EXPECT_EQ(readFile(container("150.6.0.unlogged") / "sourcedata.db"), "\n\n\n");
    EXPECT_EQ(updateContainerSourceData(unlogged.c_str(), "S", "D", "H", 1), 1);
    EXPECT_EQ(query("routing", "SELECT count(*) FROM log WHERE container = '150.6.0.unlogged'"), "0");
    EXPECT_EQ(updateContainerSourceData(nullptr, "S", "D", "H", 1), 0);
}

TEST_F(ContainerDbTest, FailuresStopCreationWithTheirMessage) {
    std::string errors;
    // Server down.
    home.writeConfig("DB_NAME = routing\nDB_HOST = 127.0.0.1\nDB_PORT = " + std::to_string(closedLoopbackPort()) +
                     "\nCONTAINER_DIR = " + home.containers.str() + "\n");
    EXPECT_EQ(create("FULL", "down", &errors), "<null>");
    EXPECT_EQ(errors.substr(0, 46), "Connection to database failed!!\nError returned");

    // Disk below the hard limit: refused before any database access.
    home.writeConfig("DB_NAME = routing\nDB_HOST = 127.0.0.1\nDB_PORT = 1\nDISK_FREE_SIZE_MB = 2000000000\n");
    EXPECT_EQ(create("FULL", "full disk", &errors), "<null>");
    EXPECT_TRUE(holds(errors, "ERROR: Can't get container, disk space too low.\n"));
    EXPECT_EQ(errors.find("Connection to database failed"), std::string::npos);

    // A statement failing: a database without the routing tables.
    home.configure("infra");
    EXPECT_EQ(create("FULL", "no tables", &errors), "<null>");
    EXPECT_EQ(errors.rfind("SELECT query 'SELECT s.id, s.priority, d.timeout", 0), 0u) << errors;
    EXPECT_TRUE(holds(errors, "senderhost' failed\nError returned: ERROR:  relation \"source_lookup\" does not "
                                  "exist\n"));

    // The container directory cannot be created: a file stands in the way.
    // (The disk guard counts a missing directory as a full disk: no limit.)
    writeFile(home.containers.path() / "file", "");
    home.writeConfig("DB_NAME = routing\nDB_HOST = " + postgresState("cluster") + "\nDB_PORT = " +
                     postgresState("port") + "\nCONTAINER_DIR = " + home.containers.str("file") +
                     "/sub\nDISK_FREE_SIZE_MB = 0\n");
    EXPECT_EQ(create("FULL", "blocked", &errors), "<null>");
    EXPECT_TRUE(holds(errors, "\nCan't create container directory '" + home.containers.str("file") +
                                  "/sub/200.3.30.blocked': 17\n"));

    // The container directory exists already: it is not taken over.
    home.configure("routing");
    fs::create_directories(container("200.3.30.taken") / "rules.db");
    EXPECT_EQ(create("FULL", "taken", &errors), "<null>");
    EXPECT_EQ(errors, "Can't create container directory '" + container("200.3.30.taken").string() + "': 17\n");
    EXPECT_TRUE(fs::is_directory(container("200.3.30.taken") / "rules.db"));
    EXPECT_FALSE(fs::exists(container("200.3.30.taken") / "data"));

    // A sender whose line end would split sourcedata.db: nothing is made.
    CaptureStderr();
    EXPECT_EQ(getContainerForSourceId(200, "S\nX", "D", "H", "split", 42, 1), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "Can't create container: the sender holds a line end\n");
    EXPECT_FALSE(fs::exists(container("200.0.0.split")));

    // The autorouter service down: the container is still made and returned.
    const std::string data = create("NORULES", "unannounced", &errors);
    EXPECT_EQ(fs::path(data), container("150.6.0.unannounced") / "data");
    EXPECT_EQ(errors, "sendMessageAutorouter: connect to (127.0.0.1) failed: 111\n");
}

// A creation that fails after its directory was made takes all of it away
// again, and the service hears nothing: here the log table refuses the row.
TEST_F(ContainerDbTest, HalfMadeContainersAreRemovedAndNeverAnnounced) {
    AutorouterListener autorouter("127.0.0.1", kAutorouterPort);
    ASSERT_TRUE(autorouter.listening());
    home.configure("routing");
    PGconn* owner = PQconnectdb(home.conninfo("routing").c_str());
    for (const char* statement :
         {"CREATE OR REPLACE FUNCTION refuse_log() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.container "
          "LIKE '%.refused' THEN RAISE EXCEPTION 'log refuses %', NEW.container; END IF; RETURN NEW; END $$",
          "DROP TRIGGER IF EXISTS refuse_log ON log",
          "CREATE TRIGGER refuse_log BEFORE INSERT ON log FOR EACH ROW EXECUTE FUNCTION refuse_log()"}) {
        PGresult* result = PQexec(owner, statement);
        EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << PQerrorMessage(owner);
        PQclear(result);
    }
    PQfinish(owner);

    std::string errors;
    EXPECT_EQ(create("FULL", "refused", &errors), "<null>");
    EXPECT_TRUE(holds(errors, "insert command 'INSERT INTO log (container, logsource, message) values "
                              "('200.3.30.refused','LIBROUTING','newcontainer\tFULL\tD\tH');' failed\n"
                              "Error returned: ERROR:  log refuses 200.3.30.refused\n"));
    EXPECT_FALSE(fs::exists(container("200.3.30.refused")));
    EXPECT_TRUE(fs::is_empty(home.containers.path()));
    EXPECT_EQ(autorouter.nextConnection(300), std::nullopt);

    // A later creation of the same source is whole and announced.
    const std::string data = create("FULL", "accepted");
    EXPECT_EQ(fs::path(data), container("200.3.30.accepted") / "data");
    EXPECT_EQ(autorouter.nextConnection(), "GET /?doexec=" + data + "&init HTTP/1.1\n");
}

// On a volume without a free byte (a tmpfs of the test's own) nothing is
// left behind and nothing is announced: not a container with empty files.
TEST_F(ContainerDbTest, AFullDiskGivesNoContainer) {
    TempDir volume;
    const std::string mount = "mount -t tmpfs -o size=1m tarvo-full-disk " + volume.str();
    ASSERT_EQ(system(mount.c_str()), 0) << "a volume of its own (needs root)";
    AutorouterListener autorouter("127.0.0.1", kAutorouterPort);
    ASSERT_TRUE(autorouter.listening());
    const fs::path root = volume.path() / "containers";
    fs::create_directories(root);
    home.writeConfig("DB_NAME = routing\nDB_HOST = " + postgresHost() + "\nDB_PORT = " + postgresState("port") +
                     "\nCONTAINER_DIR = " + root.string() + "\nDISK_FREE_SIZE_MB = 0\nDISK_SLOWER_SIZE_MB = 0\n");
    fillVolume(volume.path());
    std::string errors;
    const std::string bySender = create("FULL", nullptr, &errors);
    CaptureStderr();
    const std::string byId = taken(getContainerForSourceId(150, "S", "D", "H", nullptr, 42, 1));
    errors += GetCapturedStderr();
    const bool empty = fs::is_empty(root);
    EXPECT_EQ(system(("umount " + volume.str()).c_str()), 0);
    EXPECT_EQ(bySender, "<null>");
    EXPECT_EQ(byId, "<null>");
    EXPECT_TRUE(holds(errors, "/rules.db': No space left on device (28)\n")) << errors;
    EXPECT_TRUE(holds(errors, "/sourcedata.db': No space left on device (28)\n")) << "a source without rules";
    EXPECT_TRUE(empty);
    EXPECT_EQ(autorouter.nextConnection(300), std::nullopt);
}

}  // namespace
