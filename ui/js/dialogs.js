'use strict';
// Messages to the user: toasts that go by themselves, the alert banner that stays until dismissed,
// and modal dialogs.
const Notice = {
  toast(text, kind) {
    const box = Dom.byId('toasts');
    while (box.children.length >= 4) box.firstElementChild.remove();
    const toast = document.createElement('div');
    toast.className = 'toast' + (kind ? ' ' + kind : '');
    toast.setAttribute('role', kind === 'error' ? 'alert' : 'status');
    toast.innerHTML = '<span></span><button class="icon-btn" aria-label="Dismiss">&#x2715;</button>';
    toast.firstChild.textContent = text;
    const timer = setTimeout(() => toast.remove(), kind === 'error' ? 12000 : 6000);
    toast.lastChild.addEventListener('click', () => {
      clearTimeout(timer);
      toast.remove();
    });
    box.appendChild(toast);
  },
  error(text) {
    Notice.toast(text, 'error');
  },
  alert(text) {
    Dom.byId('alert-text').textContent = String(text);
    Dom.byId('alert').hidden = false;
  },
};

const Modal = {
  // Shows `dialog` modally with the focus on `focusId`. Resolves with the data-result of the
  // button that closed it, or "cancel" for Escape; the focus then returns where it was.
  show(dialog, focusId) {
    const previous = document.activeElement;
    return new Promise(resolve => {
      const finish = result => {
        dialog.removeEventListener('click', onClick);
        dialog.removeEventListener('cancel', onCancel);
        if (dialog.open) dialog.close();
        if (previous && previous.isConnected && typeof previous.focus === 'function') {
          previous.focus();
        }
        resolve(result);
      };
      const onClick = event => {
        const button = event.target.closest('button[data-result]');
        if (button) finish(button.dataset.result);
      };
      const onCancel = event => {
        event.preventDefault();
        finish('cancel');
      };
      dialog.addEventListener('click', onClick);
      dialog.addEventListener('cancel', onCancel);
      dialog.showModal();
      Dom.byId(focusId).focus();
    });
  },
};

Dom.byId('alert-close').addEventListener('click', () => {
  Dom.byId('alert').hidden = true;
});
