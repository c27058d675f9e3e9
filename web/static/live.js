// The server's event stream (/api/events): an event "plan" after each new plan of a lottery.
// The browser reconnects by itself after a dropped connection; when the server refuses the
// stream (it restarted with a login, say) the browser gives up, and this starts a new one.

const RETRY_MS = 2000;

export class LiveEvents {
    // handlers: onPlan({feed, newest}), onLost(), onBack() after a connection lost came back,
    // onRefused() when the server answered the stream with an error.
    constructor(handlers) {
        this.handlers = handlers;
        this.lost = false;
        this.closed = false;
        this.timer = null;
        this.open();
    }

    open() {
        this.source = new EventSource('/api/events');
        this.source.addEventListener('open', () => {
            if (this.lost) {
                this.lost = false;
                this.handlers.onBack();
            }
        });
        this.source.addEventListener('plan', (message) => {
            let event;
            try {
                event = JSON.parse(message.data);
            } catch {
                return;
            }
            this.handlers.onPlan(event);
        });
        this.source.addEventListener('error', () => {
            if (this.closed) {
                return;
            }
            if (!this.lost) {
                this.lost = true;
                this.handlers.onLost();
            }
            if (this.source.readyState === EventSource.CLOSED) {
                // Refused, not lost: the session may have ended.
                this.handlers.onRefused?.();
                clearTimeout(this.timer);
                this.timer = setTimeout(() => {
                    if (!this.closed) {
                        this.open();
                    }
                }, RETRY_MS);
            }
        });
    }

    close() {
        this.closed = true;
        clearTimeout(this.timer);
        this.source.close();
    }
}
