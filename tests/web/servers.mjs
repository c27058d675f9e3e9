// The programs the browser tests run: the local feed server and kestrum-cli serve, each started,
// waited for until it says it is ready, and stopped by its own process id.

import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

const READY_MS = 60_000;
// A stop waits for the work in hand: serve --all may be simulating chance for every lottery
// that has just drawn, which takes tens of seconds in the sanitizer build.
const STOP_MS = 120_000;

// A child process whose standard error (and output) go to `logFile`; `ready` is matched against
// the log until it appears, the process ends, or READY_MS pass.
class Program {
    constructor(name, command, args, options, logFile) {
        this.name = name;
        this.logFile = logFile;
        this.log = '';
        this.exit = null;
        this.child = spawn(command, args, { ...options, stdio: ['ignore', 'pipe', 'pipe'] });
        const out = fs.createWriteStream(logFile);
        const take = (chunk) => {
            this.log += chunk.toString();
            out.write(chunk);
        };
        this.child.stdout.on('data', take);
        this.child.stderr.on('data', take);
        this.ended = new Promise((resolve) => {
            this.child.on('exit', (code, signal) => {
                this.exit = { code, signal };
                out.end();
                resolve(this.exit);
            });
            // It could not be started at all.
            this.child.on('error', (error) => {
                if (this.exit === null) {
                    this.exit = { error: error.message };
                    out.end();
                    resolve(this.exit);
                }
            });
        });
    }

    get pid() {
        return this.child.pid;
    }

    alive() {
        return this.exit === null;
    }

    async waitFor(pattern, what) {
        const deadline = Date.now() + READY_MS;
        for (;;) {
            const match = pattern.exec(this.log);
            if (match) {
                return match;
            }
            if (!this.alive()) {
                throw new Error(`${this.name} ended (${JSON.stringify(this.exit)}) before ${what}:\n${this.log}`);
            }
            if (Date.now() > deadline) {
                throw new Error(`${this.name} did not say ${what} within ${READY_MS / 1000} s:\n${this.log}`);
            }
            await new Promise((resolve) => setTimeout(resolve, 100));
        }
    }

    // SIGTERM to this very process, then SIGKILL if it does not end; answers how it ended.
    async stop() {
        if (this.alive()) {
            process.kill(this.child.pid, 'SIGTERM');
            const timer = setTimeout(() => {
                if (this.alive()) {
                    process.kill(this.child.pid, 'SIGKILL');
                }
            }, STOP_MS);
            await this.ended;
            clearTimeout(timer);
        }
        return this.exit;
    }
}

// kestrum-feedsim --files FOLDER on free ports; `addresses` are the options that point
// kestrum-cli at it.
export async function startFeedServer(binary, folder, logFile) {
    const program = new Program('kestrum-feedsim', binary,
        ['--files', folder, '--web-port', '0', '--feed1-port', '0', '--feed2-port', '0'], {}, logFile);
    const match = await program.waitFor(
        /^feedsim: listening on 127\.0\.0\.1:(\d+), (\d+), (\d+)/m, 'that it listens');
    program.addresses = ['--web-host', `http://127.0.0.1:${match[1]}`,
                         '--feed-host-1', `http://127.0.0.1:${match[2]}`,
                         '--feed-host-2', `http://127.0.0.1:${match[3]}`];
    return program;
}

// kestrum-cli [globalOptions] serve [serveOptions], reading no settings but `config` (an empty
// file when not given), in a home of its own; `url` is where the web interface says it is.
export async function startServe(binary, { work, name, globalOptions = [], serveOptions = [], config }) {
    const home = path.join(work, `${name}-home`);
    fs.mkdirSync(home, { recursive: true });
    let settings = config;
    if (!settings) {
        settings = path.join(work, `${name}-empty.toml`);
        fs.writeFileSync(settings, '');
    }
    const env = { ...process.env, HOME: home };
    delete env.XDG_CONFIG_HOME;
    const program = new Program(`kestrum-cli serve (${name})`, binary,
        ['--config', settings, ...globalOptions, 'serve', ...serveOptions], { env, cwd: work },
        path.join(work, `${name}.log`));
    const match = await program.waitFor(/serve: the web interface is at (\S+)/, 'where the web interface is');
    if (!program.alive()) {
        throw new Error(`kestrum-cli serve ended right after it started:\n${program.log}`);
    }
    program.url = match[1];
    return program;
}

// `kestrum-cli --config FILE passwd` with the password typed twice.
export function setPassword(binary, configFile, password) {
    const result = spawnSync(binary, ['--config', configFile, 'passwd'],
        { input: `${password}\n${password}\n`, encoding: 'utf8' });
    if (result.status !== 0) {
        throw new Error(`kestrum-cli passwd failed (${result.status}): ${result.stderr}`);
    }
}

// A self-signed certificate for 127.0.0.1, valid for a day.
export function makeCertificate(folder) {
    const cert = path.join(folder, 'cert.pem');
    const key = path.join(folder, 'key.pem');
    const result = spawnSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1',
        '-subj', '/CN=127.0.0.1', '-keyout', key, '-out', cert], { encoding: 'utf8' });
    if (result.status !== 0) {
        throw new Error(`openssl could not make a certificate: ${result.stderr}`);
    }
    return { cert, key };
}
