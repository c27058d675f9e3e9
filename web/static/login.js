// The login form, shown when the server serves beyond this machine and wants its password.

import { api } from '/static/api.js';
import { el, put } from '/static/dom.js';

export function showLogin(main, loggedIn) {
    document.title = '登录 - Kestrum 计划';
    const password = el('input', {
        id: 'password', type: 'password', name: 'password', autocomplete: 'current-password',
        required: true,
    });
    const message = el('p', { class: 'form-message', role: 'alert' });
    const button = el('button', { type: 'submit', text: '登录' });
    const form = el('form', { class: 'login panel', 'aria-labelledby': 'login-heading' },
        el('h1', { id: 'login-heading', text: '登录' }),
        el('p', { text: '这台服务器需要密码才能查看计划。' }),
        el('label', { for: 'password', text: '密码' }),
        password,
        button,
        message);
    form.addEventListener('submit', async (event) => {
        event.preventDefault();
        button.disabled = true;
        message.textContent = '';
        try {
            await api.login(password.value);
            password.value = '';
            loggedIn();
        } catch (error) {
            message.textContent = error.status === 401 ? '密码不对，请重新输入。'
                : error.status === 429 ? '密码错误次数太多，请过一段时间再试。'
                : `无法登录（${error.message}）。`;
            password.select();
        } finally {
            button.disabled = false;
        }
    });
    put(main, form);
    password.focus();
}
