#!/usr/bin/python
# A firmware image to the cameras of one site that are below its version.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: camera_firmware
short_description: A firmware image to the chosen cameras below its version, idempotent
description:
  - Asks C(zendrix-cli upgrade --only-older --dry-run --format json) which chosen cameras run a version below
    the one in the image's name (after the CLI's checks of the image and the models), then upgrades those only.
  - With I(count), at most that many of them (the first in IP order), as one camera of a site first.
  - Check mode sends nothing and reports which cameras would be upgraded.
options:
  image:
    description: The firmware image on the site host, whose name carries its version (C(...VTFImage_PS_31.4.0.90...)).
    type: path
    required: true
  count:
    description: Upgrade at most this many cameras in this run.
    type: int
extends_documentation_fragment:
  - zendrix.cameras.cli
  - zendrix.cameras.cli.targets
author: Zendrix developers
'''

EXAMPLES = r'''
- name: One camera of the site first
  zendrix.cameras.camera_firmware:
    image: /var/tmp/VT_VTFImage_50_31.4.1.2.bin
    all: true
    count: 1
    password: "{{ zendrix_password }}"
'''

RETURN = r'''
upgraded:
  description: The MAC addresses upgraded (in check mode, those that would be).
  returned: always
  type: list
current:
  description: The MAC addresses that already run the image's version or a newer one.
  returned: always
  type: list
commands:
  description: The command lines run (they never hold the password).
  returned: always
  type: list
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zendrix.cameras.plugins.module_utils.zendrix import (
    COMMON_ARGS, TARGET_ARGS, ZendrixCli, target_options)


def main():
    arguments = dict(COMMON_ARGS)
    arguments.update(TARGET_ARGS)
    arguments['image'] = dict(type='path', required=True)
    arguments['count'] = dict(type='int')
    module = AnsibleModule(argument_spec=arguments, supports_check_mode=True)
    params = module.params
    targets = target_options(params)
    if not targets:
        module.fail_json(msg='choose cameras: all, macs, ips or models')
    if params['count'] is not None and params['count'] < 1:
        module.fail_json(msg='count must be at least 1')
    cli = ZendrixCli(module)
    image = ['--image', params['image'], '--only-older']
    plan = cli.json(cli.argv('upgrade', *(image + targets + ['--dry-run', '--format', 'json'])),
                    'checking the upgrade failed')
    older = [camera['mac'] for camera in plan if camera['action'] == 'upgrade']
    current = [camera['mac'] for camera in plan if camera['action'] != 'upgrade']
    chosen = older[:params['count']] if params['count'] else older
    if chosen and not module.check_mode:
        macs = []
        for mac in chosen:
            macs += ['--mac', mac]
        argv = cli.argv('upgrade', *(image + macs))
        rc, out, err = cli.run(argv)
        if rc != 0:
            cli.fail('the upgrade of %s failed' % ', '.join(chosen), argv, rc, out, err)
    module.exit_json(changed=bool(chosen), upgraded=chosen, current=current, commands=cli.commands)


if __name__ == '__main__':
    main()
