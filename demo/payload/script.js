// Form checks of the TOLVA Mail Server web administration.
function checkAddress(field) {
    if (!/^[A-Za-z0-9._-]+(@[A-Za-z0-9.-]+)?$/.test(field.value)) {
        alert("Please enter a mail address or an account name.");
        field.focus();
        return false;
    }
    return true;
}

function checkDomain(form) {
    if (!/^[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+$/.test(form.domain.value)) {
        alert("Please enter a domain such as example.com.");
        form.domain.focus();
        return false;
    }
    return true;
}

function checkPasswords(form) {
    if (form.password.value != form.again.value) {
        alert("The two passwords differ.");
        form.again.focus();
        return false;
    }
    return true;
}
