// Debian's Chromium, driven by playwright-core (no browser of its own is downloaded), each time
// with a new, empty profile.

import fs from 'node:fs';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const CHROMIUM = '/usr/bin/chromium';

const ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
              '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// A browser context over a profile folder of its own under `work`. Errors of the page's
// scripts fail the test that meets them: they are collected and thrown by close().
export async function launchBrowser(work, name, options = {}) {
    const profile = path.join(work, name);
    fs.mkdirSync(profile);
    const context = await chromium.launchPersistentContext(profile, {
        executablePath: CHROMIUM,
        headless: true,
        args: ARGS,
        viewport: { width: 1280, height: 900 },
        ...options,
    });
    const errors = [];
    const watch = (page) => page.on('pageerror', (error) => errors.push(error.message));
    context.pages().forEach(watch);
    context.on('page', watch);
    const close = context.close.bind(context);
    context.close = async () => {
        await close();
        if (errors.length) {
            throw new Error(`the page's scripts failed:\n${errors.join('\n')}`);
        }
    };
    context.scriptErrors = errors;
    return context;
}

// Polls `check` until it answers true; fails with `message` (and the last error met) after
// `timeoutMs`.
export async function eventually(check, timeoutMs, message) {
    const deadline = Date.now() + timeoutMs;
    let lastError = null;
    for (;;) {
        try {
            if (await check()) {
                return;
            }
            lastError = null;
        } catch (error) {
            lastError = error;
        }
        if (Date.now() > deadline) {
            throw new Error(`${message} (waited ${timeoutMs / 1000} s)${lastError ? `: ${lastError.message}` : ''}`);
        }
        await new Promise((resolve) => setTimeout(resolve, 200));
    }
}
