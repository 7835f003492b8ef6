// The npm package tedious against tds-test-server at one TDS version: a SQL login (tedious then
// sends its own SET batch), the tool's two-statement batch where the first logical name is
// missing (5041) and the second present, the fallback name, sys.database_files, then a wrong
// password and an unknown database.
// Usage: node tedious_interop_test.js SERVER CATALOG TDS_VERSION (7_1, 7_2, 7_3_A, 7_3_B, 7_4)
'use strict';

const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const assert = require('assert/strict');

let tedious;
try {
  tedious = require('tedious');
} catch (e) {
  // Missing tedious is a failure, never a skip: scripts/test installs it before ctest.
  console.error('FAIL: the npm package tedious is not installed ' +
                `(npm install --prefix build/npm tedious@18; NODE_PATH=${process.env.NODE_PATH})`);
  process.exit(1);
}

const [serverPath, catalogPath, tdsVersion] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tedious-interop-'));
const journalPath = path.join(work, 'journal');
let server;

function finish(code, message) {
  if (message) console.error(message);
  if (code !== 0 && fs.existsSync(journalPath)) {
    console.error('--- journal\n' + fs.readFileSync(journalPath, 'utf8'));
  }
  if (server && server.exitCode === null) server.kill('SIGKILL');
  fs.rmSync(work, { recursive: true, force: true });
  process.exit(code);
}

const overall = setTimeout(() => finish(1, 'FAIL: timed out'), 45000);

function startServer() {
  return new Promise((resolve, reject) => {
    // The server exits by itself if this script dies before stopping it.
    server = spawn(serverPath, ['--catalog', catalogPath, '--journal', journalPath,
                                '--lifetime-ms', '55000'],
                   { stdio: ['ignore', 'pipe', 'inherit'] });
    let out = '';
    server.stdout.on('data', (chunk) => {
      out += chunk;
      const newline = out.indexOf('\n');
      if (newline >= 0) resolve(Number(out.slice(0, newline)));
    });
    server.on('error', reject);
    server.on('exit', (code) => reject(new Error(`server exited early with ${code}`)));
  });
}

// Resolves with the open connection and the error numbers the server sent, or rejects with the
// login error carrying those numbers.
function connect(port, userName, password, database) {
  return new Promise((resolve, reject) => {
    const connection = new tedious.Connection({
      server: '127.0.0.1',
      authentication: { type: 'default', options: { userName, password } },
      options: {
        port, database, tdsVersion, encrypt: false, trustServerCertificate: true,
        connectTimeout: 5000, requestTimeout: 5000, maxRetriesOnTransientErrors: 0,
      },
    });
    const errors = [];
    connection.on('errorMessage', (token) => errors.push(token));
    connection.on('connect', (err) => {
      if (err) {
        err.serverErrors = errors;
        connection.close();
        reject(err);
      } else {
        resolve({ connection, errors });
      }
    });
    connection.connect();
  });
}

// Runs one SQL batch (not sp_executesql): resolves with its rows and the errors it produced.
function batch(session, sql) {
  return new Promise((resolve) => {
    const first = session.errors.length;
    const rows = [];
    const request = new tedious.Request(sql, () => {
      resolve({ rows, errors: session.errors.slice(first) });
    });
    request.on('row', (columns) => rows.push(columns.map((c) => c.value)));
    session.connection.execSqlBatch(request);
  });
}

function journal() {
  return fs.readFileSync(journalPath, 'utf8').trim().split('\n').map((l) => JSON.parse(l));
}

async function main() {
  const port = await startServer();
  const versionName = { '7_1': '7.1', '7_2': '7.2', '7_3_A': '7.3A', '7_3_B': '7.3B', '7_4': '7.4' };

  const session = await connect(port, 'ARVELDB', 'vt7391', 'Legacy');
  const login = journal().find((e) => e.event === 'login');
  assert.equal(login.tds, versionName[tdsVersion]);
  assert.equal(login.password, 'vt7391');
  // tedious's own SET batch after the login must pass without errors.
  const setBatch = journal().find((e) => e.event === 'batch');
  assert.ok(setBatch.statements.length > 5 && setBatch.statements.every((s) => s.kind === 'set'),
            JSON.stringify(setBatch.statements));

  const toolBatch =
      "ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_Data',MAXSIZE=Unlimited) " +
      "ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy_log',MAXSIZE=Unlimited) \r\n";
  let result = await batch(session, toolBatch);
  assert.deepEqual(result.errors.map((e) => [e.number, e.class, e.message]),
                   [[5041, 16, "MODIFY FILE failed. File 'Legacy_Data' does not exist."]]);
  const received = journal().filter((e) => e.event === 'batch').pop();
  assert.equal(received.text, toolBatch);
  assert.deepEqual(received.statements.map((s) => s.error), [5041, 0]);

  result = await batch(session, "ALTER DATABASE Legacy MODIFY FILE (NAME='Legacy',MAXSIZE=Unlimited)");
  assert.deepEqual(result.errors, []);

  result = await batch(session, 'SELECT name, max_size FROM sys.database_files');
  assert.deepEqual(result.rows, [['Legacy', -1], ['Legacy_log', -1]]);
  session.connection.close();

  await assert.rejects(connect(port, 'ARVELDB', 'wrong', 'Plant'), (err) => {
    assert.deepEqual(err.serverErrors.map((e) => e.number), [18456]);
    assert.equal(err.message, "Login failed for user 'ARVELDB'.");
    return true;
  });
  await assert.rejects(connect(port, 'ARVELDB', 'vt7391', 'Nowhere'), (err) => {
    assert.deepEqual(err.serverErrors.map((e) => [e.number, e.message]), [
      [4060, 'Cannot open database "Nowhere" requested by the login. The login failed.'],
      [18456, "Login failed for user 'ARVELDB'."],
    ]);
    return true;
  });

  // SIGTERM: exit status 0 and the final catalog as the journal's last event.
  server.removeAllListeners('exit');
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  server.kill('SIGTERM');
  assert.equal(await exited, 0);
  const stop = journal().pop();
  assert.equal(stop.event, 'stop');
  assert.ok(stop.catalog.some((f) => f.file === 'Legacy' && f.max_size === -1));

  clearTimeout(overall);
  finish(0, `tedious TDS ${tdsVersion}: ok`);
}

main().catch((err) => finish(1, `FAIL (tedious TDS ${tdsVersion}): ${err.stack || err}`));
